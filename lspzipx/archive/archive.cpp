#include "archive/archive.h"

#include "archive/catalog.h"
#include "archive/delete_originals.h"
#include "archive/entry_writer.h"
#include "base/library_codes.h"
#include "archive/target_path.h"
#include "common/source_list.h"
#include "io/archive_file.h"

namespace lsz {

ArchiveOutcome createArchive(const ArchiveRequest& request) {
    std::wstring target = usableTarget(request.zipPath);

    // The temporary file's name is hidden from wildcards; the target itself
    // may match, and must not be read.
    EnumerationOptions options;
    options.recurse = request.recurse;
    options.keepPaths = request.keepPaths;
    options.excluded = {target};
    options.includeHidden = request.includeHidden;
    options.selection = request.selection;
    bool serial = request.threads <= 1;
    Catalog catalog;
    catalog.enumerate(request.items, options, serial);
    // Run serially, a bad source list fails before anything is created.
    if (serial) catalog.throwIfFailed();
    if (serial && request.listed) request.listed();

    ArchiveFile out(target, request.exactFolder);
    EntryWriterSettings writerSettings{request.level, request.cipher, request.password.view(), request.onEntry};
    EntryWriter writer(out, writerSettings);
    PipelineSettings pipeline;
    pipeline.level = request.level;
    pipeline.threads = request.threads;
    pipeline.readers = request.readers;
    pipeline.identities = request.deleteOriginals;
    runPipeline(catalog, pipeline, writer);
    writer.finish();
    if (request.check) out.check(request.check);
    out.commit(request.deleteOriginals);
    ArchiveOutcome outcome{catalog.hidden()};

    if (!request.deleteOriginals) return outcome;
    std::vector<std::wstring> kept = deleteOriginals(catalog.entries());
    if (kept.empty()) return outcome;
    // The archive is complete and stays; whoever logs the outcome can name
    // the files still there, or the first of them.
    if (kept.size() > kMaxKeptNamed) kept.resize(kMaxKeptNamed);
    fail(code::OriginalsKept, 0, kb::joinSourceList(kept));
}

}  // namespace lsz
