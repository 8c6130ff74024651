#include "archive/archive.h"

#include "archive/delete_originals.h"
#include "archive/entry_writer.h"
#include "archive/library_codes.h"
#include "archive/target_path.h"
#include "deflate/store_rule.h"
#include "io/archive_file.h"
#include "source/enumerate.h"
#include "source/stored_names.h"

namespace lsz {

void createArchive(const ArchiveRequest& request) {
    std::wstring target = usableTarget(request.zipPath);

    // The temporary file does not exist yet, and its name is hidden from
    // wildcards; the target itself may match, and must not be read.
    EnumerationOptions options;
    options.recurse = request.recurse;
    options.keepPaths = request.keepPaths;
    options.excluded = {target};
    std::vector<SourceFile> sources = enumerateSources(request.items, options);

    std::vector<std::string> names;
    names.reserve(sources.size());
    for (const auto& s : sources) names.push_back(zipEntryName(s.storedName));
    if (firstRepeatedName(names)) fail(code::DuplicateName);

    std::vector<PipelineEntry> entries(sources.size());
    for (size_t i = 0; i < sources.size(); ++i) {
        entries[i].path = std::move(sources[i].path);
        entries[i].name = std::move(names[i]);
        entries[i].precompressed = isPrecompressedName(sources[i].storedName);
    }
    sources.clear();

    ArchiveFile out(target);
    EntryWriterSettings writerSettings{request.level, request.cipher, request.password};
    EntryWriter writer(out, writerSettings);
    PipelineSettings pipeline;
    pipeline.level = request.level;
    pipeline.threads = request.threads;
    pipeline.crcBeforeData = request.cipher == Cipher::ZipCrypto;
    runPipeline(entries, pipeline, writer);
    writer.finish();
    out.commit();

    if (request.deleteOriginals) deleteOriginals(entries);
}

}  // namespace lsz
