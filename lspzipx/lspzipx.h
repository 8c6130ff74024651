// lspzipx.h: the C interface of lspzipx.dll.
//
// The DLL exports seven undecorated functions (lspzipx.def names them). A
// program may link them or, as the component does, look them up by name
// with GetProcAddress and call them through the pointer types below; the
// library and every caller in this tree, its tests included, include this
// one header, so that the two sides cannot drift apart.
//
// A zip is made in three calls on one thread: LSZIP_PASSWORD (optional),
// LSZIP_INCLUDE, LSZIP_EXECUTE. What the first two set belongs to the
// calling thread, so threads of one process may zip at once without seeing
// each other's sources or passwords; a thread that ends takes its settings
// with it. The forms ending in W take UTF-16 strings and reach every name a
// file system can hold; the others take the system's ANSI code page and
// refuse a string it does not decode exactly. No call raises an exception
// or ends the process: every failure is a result.
#ifndef LSPZIPX_H
#define LSPZIPX_H

#include <stdint.h>
#include <wchar.h>

// __stdcall on x86, so that a Basic-style Declare can call the exports; x64
// has one calling convention.
#if defined(_WIN32) && !defined(_WIN64)
#define LSZIP_CALL __stdcall
#else
#define LSZIP_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

// The mode argument of LSZIP_EXECUTE. Create is the only one: the archive
// is written anew, never updated, and replaces a file of its name only when
// complete.
enum lszip_mode {
    LSZIP_MODE_CREATE = 2
};

// The bits of LSZIP_EXECUTE's option word. Bits not named here are
// ignored.
enum lszip_option {
    // Set by every caller; means nothing alone.
    LSZIP_OPTION_ALWAYS = 0x0001,
    // Encrypt every entry with the password set by LSZIP_PASSWORD: with the
    // traditional zip cipher, or with AES-256 when the machine's
    // ZipEncryption setting says AES256. Without a password the execute
    // fails with LSZIP_INTERNAL_ERROR rather than write an archive that
    // would pass for a protected one.
    LSZIP_OPTION_ENCRYPT = 0x0010,
    // Descend into the subfolders of every folder and pattern listed; empty
    // folders become folder entries.
    LSZIP_OPTION_RECURSE = 0x0080,
    // After the archive is complete, delete the files zipped into it: only
    // the very files read, unchanged since. Any other stays, and the result
    // is LSZIP_ORIGINALS_KEPT.
    LSZIP_OPTION_DELETE_ORIGINALS = 0x0100,
    // With LSZIP_OPTION_RECURSE, keep each file's path below its source in
    // its entry name; without it the names are the files' own, and two of
    // one name fail with LSZIP_DUPLICATE_NAME.
    LSZIP_OPTION_KEEP_PATHS = 0x0800,
    // Sent together with LSZIP_OPTION_RECURSE; no meaning of its own.
    LSZIP_OPTION_RESERVED = 0x2000,
    // The target's folder must be itself, not a link: refused with
    // LSZIP_CANNOT_CREATE when it is one as the archive is begun, and with
    // LSZIP_RENAME_FAILED (the archive is not written) when it has become
    // one, or was moved, by the time the archive takes its name. Without it
    // the archive is written where a linked folder leads.
    LSZIP_OPTION_EXACT_FOLDER = 0x4000
};

// The results of LSZIP_EXECUTE and LSZIP_LASTERRORW. Codes from 151 up
// share their numbers, and their texts, with the component's status codes;
// each failure returns the code whose text describes it best. A value not
// listed is not returned by this library (one of another release may).
enum lszip_result {
    // The archive is written and complete.
    LSZIP_OK = 0,
    // The zip path cannot be used: null, not a plain file name (a device, a
    // stream, a trailing dot), a folder's name, in a folder that is a file,
    // or (ANSI form) not exact in the code page.
    LSZIP_INVALID_ZIP_NAME = 151,
    // No source list was set, or an item cannot be a path: wildcards before
    // its last part, a name the system refuses, or a folder listing a name
    // no Windows call can read as itself (one holding \, /, : or a control
    // character).
    LSZIP_INVALID_SOURCE = 152,
    LSZIP_OUT_OF_MEMORY = 153,
    // A caller broke this contract (a mode other than LSZIP_MODE_CREATE, a
    // rate outside 0 to 9, LSZIP_OPTION_ENCRYPT without a password), or the
    // library failed in itself.
    LSZIP_INTERNAL_ERROR = 158,
    // A file named without wildcards does not exist.
    LSZIP_FILE_NOT_MATCHED = 159,
    // Two sources give one name in the archive.
    LSZIP_DUPLICATE_NAME = 162,
    // A folder could not be listed.
    LSZIP_LIST_ERROR = 163,
    // Nothing was found to zip: every pattern and folder was empty, or held
    // only hidden and system files.
    LSZIP_NOTHING_TO_DO = 167,
    // The archive could not be begun in its folder: no such folder, no
    // right to write there, a full or read-only disk, or (with
    // LSZIP_OPTION_EXACT_FOLDER) a link.
    LSZIP_CANNOT_CREATE = 169,
    // A source could not be opened or read, or changed while it was read.
    LSZIP_READ_ERROR = 178,
    // Writing entry data failed, most often on a full disk.
    LSZIP_WRITE_ERROR = 182,
    // Writing the central directory failed.
    LSZIP_CENTRAL_DIRECTORY_ERROR = 183,
    // Writing the end records failed.
    LSZIP_END_RECORD_ERROR = 184,
    // The finished archive could not take its name: a file of that name is
    // open or read-only, or its folder was renamed or replaced meanwhile.
    LSZIP_RENAME_FAILED = 189,
    // The archive is written and complete, but some of the originals to be
    // deleted are still there (see LSZIP_OPTION_DELETE_ORIGINALS).
    LSZIP_ORIGINALS_KEPT = 190
};

// Sets the password for the calling thread's next execute, which encrypts
// with it when its options say LSZIP_OPTION_ENCRYPT. Returns non-zero when
// the password is taken: not null, 1 to 255 bytes. Otherwise returns 0 and
// withdraws a password set earlier, so that it cannot encrypt an archive it
// was not meant for. The ANSI form keeps the caller's bytes as they are;
// the W form encrypts with the password's UTF-8 bytes (at most 255 of
// them), which is what the zip tools of other systems send, and refuses a
// string that has no exact UTF-8 form. The library's copies are wiped
// once the execute has used them.
int32_t LSZIP_CALL LSZIP_PASSWORD(const char* password);
int32_t LSZIP_CALL LSZIP_PASSWORDW(const wchar_t* password);

// Sets the source list for the calling thread's next execute, in place of
// an earlier one: items separated by "|", a name with blanks enclosed in
// double quotes; each item a file, a pattern with * and ? in its last part,
// or a folder. Returns non-zero when the list parses; 0 when it is null,
// has unbalanced quotes or no item, or (ANSI form) is not exact in the code
// page, and then no list is left set. Whether the items exist is learnt
// only by the execute.
int32_t LSZIP_CALL LSZIP_INCLUDE(const char* sources);
int32_t LSZIP_CALL LSZIP_INCLUDEW(const wchar_t* sources);

// Writes the archive zip_path from the calling thread's source list and
// password, at rate 0 (stored) to 9 (smallest), with the options given (a
// sum of LSZIP_OPTION_ bits). mode must be LSZIP_MODE_CREATE. The archive
// goes to a hidden temporary file beside zip_path, which takes its name,
// replacing a file of that name, only when complete; on any failure but
// LSZIP_ORIGINALS_KEPT nothing is left there and an older file of that name
// stays as it was. The call returns when the archive is done. It deflates
// on one worker thread per processor, at most 64 and at most the value of
// the environment variable LSPZIPX_THREADS (1 to 64); LSPZIPX_READERS (1
// to 64) lets fewer of them have a source open at once.
//
// Returns LSZIP_OK or another lszip_result. Whatever the outcome, the
// thread's source list and password are cleared, so each execute needs its
// own LSZIP_INCLUDE; how it ended is kept for LSZIP_LASTERRORW.
int32_t LSZIP_CALL LSZIP_EXECUTE(const char* zip_path, int32_t mode, int32_t rate, int32_t options);
int32_t LSZIP_CALL LSZIP_EXECUTEW(const wchar_t* zip_path, int32_t mode, int32_t rate, int32_t options);

// How the calling thread's latest execute ended. Returns its result
// (LSZIP_OK when it succeeded, or when none has run). Stores the system's
// error behind the failure (a GetLastError value, 0 when there is none) in
// *system_error, and copies the path it concerns, "" when none, into path:
// at most path_chars characters with the closing null, cut short when
// longer. Under LSZIP_ORIGINALS_KEPT the path is the files kept, as a
// source list of at most 20 items. path and system_error may be null;
// path_chars below 1 leaves path untouched. Not every library that offers
// the other calls offers this one: a caller that looks the calls up, as
// the component does, treats it as optional.
int32_t LSZIP_CALL LSZIP_LASTERRORW(wchar_t* path, int32_t path_chars, uint32_t* system_error);

// The calls' types, for callers that look them up with GetProcAddress.
typedef int32_t(LSZIP_CALL* lszip_password_fn)(const char* password);
typedef int32_t(LSZIP_CALL* lszip_passwordw_fn)(const wchar_t* password);
typedef int32_t(LSZIP_CALL* lszip_include_fn)(const char* sources);
typedef int32_t(LSZIP_CALL* lszip_includew_fn)(const wchar_t* sources);
typedef int32_t(LSZIP_CALL* lszip_execute_fn)(const char* zip_path, int32_t mode, int32_t rate, int32_t options);
typedef int32_t(LSZIP_CALL* lszip_executew_fn)(const wchar_t* zip_path, int32_t mode, int32_t rate, int32_t options);
typedef int32_t(LSZIP_CALL* lszip_lasterrorw_fn)(wchar_t* path, int32_t path_chars, uint32_t* system_error);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // LSPZIPX_H
