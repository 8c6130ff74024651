#include "common/status_texts.h"

namespace kb {

namespace {

struct Row {
    int code;
    const wchar_t* message;
};

constexpr Row kMessages[] = {
    // The component's own codes.
    {0, L"Operation complete, no errors."},
    {1, L"Failed to set source file specification."},
    {3, L"Failed to set encryption password."},
    {22, L"Source file(s) not specified."},
    {23, L"Target file not specified."},
    {24, L"Unique virtual target directory root not specified."},
    {25, L"Unique target directory root must be specified as a virtual not a physical path."},
    {26, L"Unique virtual target directory root not found."},
    {27, L"Cannot create unique physical directory."},
    {28, L"General error in doZip() function."},
    {29, L"General error in deleteOldFiles() function."},
    {30, L"General error setting parameters."},
    {31, L"General error in fileListing() function."},
    {32, L"File list directory not specified."},
    {33, L"File list directory not found."},
    {50, L"Operation aborted"},
    // Codes returned by the compression library.
    {151, L"Invalid Zip file name."},
    {152, L"Invalid source file(s) specification."},
    {153, L"Out of memory."},
    {154, L"Out of memory."},
    {155, L"Out of memory."},
    {156, L"Out of memory."},
    {157, L"Cannot support multiple volumes on this device."},
    {158, L"Internal error."},
    {159, L"Filename not matched."},
    {162, L"Cannot repeat names in Zip file."},
    {163, L"List processing error."},
    {164, L"Zip file is empty."},
    {165, L"Out of memory."},
    {166, L"Zip file is empty."},
    {167, L"Nothing to do."},
    {168, L"Nothing to do."},
    {169, L"Cannot create zip file."},
    {170, L"Memory error."},
    {171, L"Zip file is empty."},
    {172, L"Internal error."},
    {173, L"Zip file is empty."},
    {174, L"Out of memory."},
    {175, L"Error creating temporary file."},
    {176, L"Out of memory."},
    {177, L"Internal error."},
    {178, L"Zipping error."},
    {179, L"Copying error."},
    {180, L"Copying error."},
    {181, L"Out of memory."},
    {182, L"Zipping error."},
    {183, L"Write central directory error."},
    {184, L"Write end of central directory error."},
    {185, L"Disk spanning error."},
    {186, L"Error creating temporary file."},
    {187, L"Disk spanning error."},
    {188, L"Internal error."},
    {189, L"Error replacing zip file."},
    {190, L"Zip file created, but not every original file was deleted."},
};

}  // namespace

const wchar_t* statusText(int code) {
    for (const Row& row : kMessages) {
        if (row.code == code) return row.message;
    }
    return L"Unspecified error.";
}

}  // namespace kb
