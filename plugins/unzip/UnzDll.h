/* The interface of the unzip library (libunzdll.so, loaded from Data/Unzip/):
 * one call that extracts entries of an archive, driven by a parameter record,
 * and a callback through which the library reports its progress and asks
 * its questions. Fields follow the classic 32-bit record slot by slot, with
 * pointers at native width; booleans are 0 or -1. */
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define UNZ_INTERFACE_VERSION 160
#define UNZ_TEXT_SIZE 512

/* Callback actions. */
enum UnzAction {
    UnzActionBeginFile = 1,  /* text: the entry's name */
    UnzActionProgress = 2,   /* number: bytes written since the last report */
    UnzActionEndBatch = 3,
    UnzActionMessage = 4,    /* text: a message; number: its reason */
    UnzActionFileCount = 5,  /* number: entries to extract */
    UnzActionTotalSize = 6,  /* number: bytes to extract */
    UnzActionPassword = 8,   /* number: tries left (3 = first ask); text: name / answer */
    UnzActionCrcError = 9,   /* text: name; answer 1 = keep the file */
    UnzActionOverwrite = 10, /* answer bit 0: the file on disk is older;
                                the callback sets number 1 = overwrite, 0 = keep */
    UnzActionFileDone = 11   /* number low byte: 0 = done, 4..9 = a problem */
};

/* Reasons in the low byte of a done file's number and of messages. */
enum UnzReason {
    UnzReasonOk = 0,
    UnzReasonSkipped = 4,       /* not overwritten, by answer or option */
    UnzReasonUnsafeName = 5,    /* the stored name would leave the target folder */
    UnzReasonTooBig = 6,        /* declared or actual size above the limit */
    UnzReasonReadError = 7,     /* damaged data, CRC error, wrong password */
    UnzReasonWriteError = 8,    /* the file could not be written */
    UnzReasonNoPassword = 9
};

typedef struct UnzCallbackRecord {
    void* handle;             /* unused */
    void* caller;             /* the caller's object, as given in the parameters */
    int32_t reserved8;
    int32_t reserved12;
    int32_t action;           /* UnzAction */
    int32_t answer;           /* written by the callback, or a hint to it */
    int64_t number;           /* size, count or reason */
    char text[UNZ_TEXT_SIZE]; /* zero-terminated UTF-8 */
} UnzCallbackRecord;

/* Returns 0 to go on, -1 to ask the library to stop. */
typedef int32_t (*UnzCallback)(UnzCallbackRecord* record);

typedef struct UnzFileSpec {
    const char* spec;          /* a name or a pattern with * and ? */
    uint8_t reserved[68];
} UnzFileSpec;

typedef struct UnzParams {
    void* handle;              /* 0: unused */
    void* caller;              /* 4: passed back in every callback */
    int32_t version;           /* 8: UNZ_INTERFACE_VERSION */
    UnzCallback callback;      /* 12 */
    int32_t traceEnabled;      /* 16 */
    int32_t reserved20;        /* 20 */
    const char* password;      /* 24: null when none */
    int32_t testOnly;          /* 28: check the entries, write nothing */
    int32_t reserved32;
    int32_t reserved36;
    int32_t reserved40;        /* 40: -1 */
    int32_t reserved44;
    int32_t freshen;           /* 48: only replace existing files that are older */
    int32_t update;            /* 52: replace older files and add missing ones */
    int32_t overwrite;         /* 56: replace existing files without asking */
    int32_t extractAll;        /* 60: plain extraction */
    int32_t specCount;         /* 64 */
    const char* archivePath;   /* 68 */
    UnzFileSpec* specs;        /* 72: specCount entries */
    int32_t reserved76[7];     /* 76..100 */
    int32_t reserved104;       /* 104: 3 */
    const char* targetFolder;  /* 108: ends with the path separator */
    int32_t reserved112[8];    /* 112..140 */
    int32_t reserved144;       /* 144: 7 */
} UnzParams;

/* Extracts the entries of params->archivePath matching the specs into
 * params->targetFolder (the current folder when null). Returns the number of
 * files written, or -1 when the archive cannot be opened or the parameters
 * are unusable. */
typedef int32_t (*UnzDllExecFn)(UnzParams* params);
/* The library's version; the caller needs 160 or more. */
typedef int32_t (*GetUnzDllVersionFn)(void);

#ifdef __cplusplus
}
#endif
