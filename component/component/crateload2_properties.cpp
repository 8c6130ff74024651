// The properties of Crateload2: what each setter accepts, and the copies
// the getters hand out.
#include "component/crateload2.h"

#include "common/errors.h"
#include "common/temp_directory.h"
#include "common/text.h"
#include "component/property_rules.h"
#include "policy/policy_switches.h"
#include "zip/busy_flag.h"

namespace kb {

namespace {

HRESULT copyOut(std::wstring_view value, BSTR* result) {
    if (!result) return E_POINTER;
    return guarded([&] {
        *result = toBstr(value);
        return S_OK;
    });
}

// The property each switch guards, as the log names the refused set.
std::wstring propertyName(policy::Switch s) {
    switch (s) {
    case policy::Switch::AllowVirtualSourceOnly: return L"sourceFileList";
    case policy::Switch::DisableIncludeSubdirectoryFiles: return L"recurseDirs";
    case policy::Switch::DisableDeleteOriginalFiles: return L"deleteOriginalFiles";
    case policy::Switch::AllowVirtualFileListOnly: return L"fileListRoot";
    }
    return {};
}

template <typename T>
HRESULT copyOut(T value, T* result) {
    if (!result) return E_POINTER;
    *result = value;
    return S_OK;
}

}  // namespace

STDMETHODIMP Crateload2::getTempFilePath(BSTR* result) {
    if (!result) return E_POINTER;
    return guarded([&] {
        *result = toBstr(kb::getTempFilePath());
        return S_OK;
    });
}

STDMETHODIMP Crateload2::put_hideResponse(VARIANT_BOOL vData) {
    state_.hideResponse = vData;
    return S_OK;
}
STDMETHODIMP Crateload2::get_hideResponse(VARIANT_BOOL* result) { return copyOut(state_.hideResponse, result); }

// Guarded properties: the administrator's switch is read at every set.

HRESULT Crateload2::setGuardedPath(policy::Switch s, BSTR value, std::wstring& member, bool& withinSite) {
    return guarded([&] {
        std::wstring copy = fromBstr(value);
        bool on = policy::isSwitchOn(s);
        if (policy::refusesPath(on, copy)) {
            page().writeHtml(policy::refusalParagraph(s));
            member.clear();
            record(policy::refusal(propertyName(s), s, copy));
        } else {
            member = std::move(copy);
        }
        withinSite = on;
        return S_OK;
    });
}

HRESULT Crateload2::setGuardedOption(policy::Switch s, VARIANT_BOOL value, VARIANT_BOOL& member) {
    return guarded([&] {
        if (policy::refusesOption(policy::isSwitchOn(s), value)) {
            page().writeHtml(policy::refusalParagraph(s));
            member = VARIANT_FALSE;
            record(policy::refusal(propertyName(s), s, L"True"));
        } else {
            member = value;
        }
        return S_OK;
    });
}

HRESULT Crateload2::setString(BSTR value, std::wstring& member) {
    return guarded([&] {
        member = fromBstr(value);
        return S_OK;
    });
}

STDMETHODIMP Crateload2::put_sourceFileList(BSTR vData) {
    return setGuardedPath(policy::Switch::AllowVirtualSourceOnly, vData, state_.sourceFileList, state_.sourceWithinSite);
}
STDMETHODIMP Crateload2::get_sourceFileList(BSTR* result) { return copyOut(state_.sourceFileList, result); }

STDMETHODIMP Crateload2::put_zipFileName(BSTR vData) {
    return guarded([&] {
        state_.zipFileName = normaliseZipFileName(fromBstr(vData));
        return S_OK;
    });
}
STDMETHODIMP Crateload2::get_zipFileName(BSTR* result) { return copyOut(state_.zipFileName, result); }

STDMETHODIMP Crateload2::put_compressionRate(short vData) {
    if (acceptsCompressionRate(vData)) state_.compressionRate = vData;
    return S_OK;
}
STDMETHODIMP Crateload2::get_compressionRate(short* result) { return copyOut(state_.compressionRate, result); }

STDMETHODIMP Crateload2::put_encryptString(BSTR vData) {
    return guarded([&] {
        std::wstring_view value(vData ? vData : L"", vData ? ::SysStringLen(vData) : 0);
        state_.encryptStringRefused = !acceptsPassword(value);
        if (!state_.encryptStringRefused) state_.encryptString.assign(value);
        return S_OK;
    });
}
STDMETHODIMP Crateload2::get_encryptString(BSTR* result) { return copyOut(state_.encryptString.view(), result); }

STDMETHODIMP Crateload2::put_recurseDirs(VARIANT_BOOL vData) {
    return setGuardedOption(policy::Switch::DisableIncludeSubdirectoryFiles, vData, state_.recurseDirs);
}
STDMETHODIMP Crateload2::get_recurseDirs(VARIANT_BOOL* result) { return copyOut(state_.recurseDirs, result); }

STDMETHODIMP Crateload2::put_deleteOriginalFiles(VARIANT_BOOL vData) {
    return setGuardedOption(policy::Switch::DisableDeleteOriginalFiles, vData, state_.deleteOriginalFiles);
}
STDMETHODIMP Crateload2::get_deleteOriginalFiles(VARIANT_BOOL* result) {
    return copyOut(state_.deleteOriginalFiles, result);
}

STDMETHODIMP Crateload2::put_virtualTargetRoot(BSTR vData) { return setString(vData, state_.virtualTargetRoot); }
STDMETHODIMP Crateload2::get_virtualTargetRoot(BSTR* result) { return copyOut(state_.virtualTargetRoot, result); }

STDMETHODIMP Crateload2::put_daysOldToDelete(short vData) {
    if (acceptsDaysOld(vData)) state_.daysOldToDelete = vData;
    return S_OK;
}
STDMETHODIMP Crateload2::get_daysOldToDelete(short* result) { return copyOut(state_.daysOldToDelete, result); }

STDMETHODIMP Crateload2::put_fileListRoot(BSTR vData) {
    return setGuardedPath(policy::Switch::AllowVirtualFileListOnly, vData, state_.fileListRoot,
                          state_.listRootWithinSite);
}
STDMETHODIMP Crateload2::get_fileListRoot(BSTR* result) { return copyOut(state_.fileListRoot, result); }

STDMETHODIMP Crateload2::put_beforeFileHTML(BSTR vData) { return setString(vData, state_.beforeFileHTML); }
STDMETHODIMP Crateload2::get_beforeFileHTML(BSTR* result) { return copyOut(state_.beforeFileHTML, result); }

STDMETHODIMP Crateload2::put_afterFileHTML(BSTR vData) { return setString(vData, state_.afterFileHTML); }
STDMETHODIMP Crateload2::get_afterFileHTML(BSTR* result) { return copyOut(state_.afterFileHTML, result); }

STDMETHODIMP Crateload2::get_zipfileDownloadHref(BSTR* result) { return copyOut(state_.zipfileDownloadHref, result); }

STDMETHODIMP Crateload2::get_zipIsBusy(VARIANT_BOOL* result) {
    if (!result) return E_POINTER;
    return guarded([&] {
        busy::BusyFlag flag(state_.tempDirectory);
        *result = flag.isRaised() ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    });
}

}  // namespace kb
