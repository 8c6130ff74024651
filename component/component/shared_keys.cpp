#include "component/shared_keys.h"

#include "common/file_names.h"

namespace kb {

SharedKeyAction sharedKeyAction(const std::optional<std::wstring>& named, const std::wstring& own,
                                const std::optional<std::wstring>& other) {
    // A key naming another file was written by a build registered since;
    // that build's own unregistration decides about it.
    if (named && !sameName(*named, own)) return SharedKeyAction::Keep;
    if (!other) return SharedKeyAction::Remove;
    return named ? SharedKeyAction::PointAtOther : SharedKeyAction::Keep;
}

}  // namespace kb
