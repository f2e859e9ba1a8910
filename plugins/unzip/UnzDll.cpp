// The unzip library: extracts the requested entries of an archive with
// libzip, reporting through the caller's callback. Entries never leave the
// target folder, oversized entries are refused, and a file is replaced only
// once its new content is complete (written beside it, then renamed).
#include "UnzDll.h"

#include "EntryPath.h"

#include <zip.h>

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int64_t kMaxEntrySize = int64_t(256) * 1024 * 1024;
constexpr size_t kChunk = 64 * 1024;

struct Stop {};  // the callback asked to stop

class Extractor {
public:
    explicit Extractor(UnzParams& p) : p_(p) {}

    int32_t run();

private:
    int64_t call(int32_t action, int64_t number, const std::string& text, int32_t* answer = nullptr);
    void message(int reason, const std::string& text) { call(UnzActionMessage, reason, text); }
    void done(int reason, const std::string& name) { call(UnzActionFileDone, reason, name); }
    bool wanted(const std::string& name) const;
    void extractOne(zip_uint64_t index, const std::string& name, const zip_stat_t& st);
    bool makeFolders(const std::vector<std::string>& parts, size_t count, std::string& path);
    zip_file_t* openEntry(zip_uint64_t index, const std::string& name, bool encrypted);
    // An entry never yields more than its declared size.
    int copyOut(zip_file_t* file, int fd, const std::string& name, int64_t declaredSize);

    UnzParams& p_;
    zip_t* zip_ = nullptr;
    std::string target_;
    std::string password_;
    int32_t written_ = 0;
};

int64_t Extractor::call(int32_t action, int64_t number, const std::string& text, int32_t* answer)
{
    UnzCallbackRecord rec;
    std::memset(&rec, 0, sizeof rec);
    rec.caller = p_.caller;
    rec.action = action;
    rec.answer = answer ? *answer : 0;
    rec.number = number;
    std::strncpy(rec.text, text.c_str(), UNZ_TEXT_SIZE - 1);
    if (p_.callback && p_.callback(&rec) == -1)
        throw Stop{};
    if (answer)
        *answer = rec.answer;
    if (action == UnzActionPassword) {
        rec.text[UNZ_TEXT_SIZE - 1] = '\0';
        password_ = rec.text;
    }
    return rec.number;
}

bool Extractor::wanted(const std::string& name) const
{
    if (p_.specCount <= 0 || !p_.specs)
        return true;
    for (int32_t i = 0; i < p_.specCount; ++i) {
        const char* spec = p_.specs[i].spec;
        if (spec && unz::matchesSpec(spec, name))
            return true;
    }
    return false;
}

bool Extractor::makeFolders(const std::vector<std::string>& parts, size_t count, std::string& path)
{
    path = target_;
    for (size_t i = 0; i < count; ++i) {
        path += parts[i];
        struct stat st;
        if (lstat(path.c_str(), &st) == 0) {
            if (!S_ISDIR(st.st_mode))
                return false;  // a file or a link where a folder must be
        } else if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) {
            return false;
        }
        path += '/';
    }
    return true;
}

zip_file_t* Extractor::openEntry(zip_uint64_t index, const std::string& name, bool encrypted)
{
    if (!encrypted)
        return zip_fopen_index(zip_, index, 0);
    if (!password_.empty()) {
        if (zip_file_t* f = zip_fopen_index_encrypted(zip_, index, 0, password_.c_str()))
            return f;
    }
    int64_t tries = 3;
    while (tries > 0) {
        int32_t answer = 0;
        const std::string asked = password_;
        tries = call(UnzActionPassword, tries, name, &answer);
        if (answer != 1 || password_.empty() || password_ == asked)
            return nullptr;
        if (zip_file_t* f = zip_fopen_index_encrypted(zip_, index, 0, password_.c_str()))
            return f;
    }
    return nullptr;
}

// Copies an entry into fd; returns a reason (0 on success).
int Extractor::copyOut(zip_file_t* file, int fd, const std::string& name, int64_t declaredSize)
{
    std::vector<char> buf(kChunk);
    int64_t total = 0;
    for (;;) {
        const zip_int64_t n = zip_fread(file, buf.data(), buf.size());
        if (n == 0)
            return UnzReasonOk;
        if (n < 0) {
            zip_error_t* err = zip_file_get_error(file);
            if (zip_error_code_zip(err) == ZIP_ER_CRC) {
                int32_t keep = 0;
                call(UnzActionCrcError, 0, name, &keep);
                return keep == 1 ? UnzReasonOk : UnzReasonReadError;
            }
            return UnzReasonReadError;
        }
        total += n;
        if (total > kMaxEntrySize || total > declaredSize)
            return UnzReasonTooBig;
        if (fd >= 0) {
            const char* at = buf.data();
            zip_int64_t left = n;
            while (left > 0) {
                const ssize_t w = ::write(fd, at, size_t(left));
                if (w < 0 && errno == EINTR)
                    continue;
                if (w <= 0)
                    return UnzReasonWriteError;
                at += w;
                left -= w;
            }
        }
        call(UnzActionProgress, n, name);
    }
}

void Extractor::extractOne(zip_uint64_t index, const std::string& name, const zip_stat_t& st)
{
    call(UnzActionBeginFile, 0, name);
    const auto parts = unz::safeRelativeParts(name);
    if (!parts) {
        message(UnzReasonUnsafeName, "Skipped \"" + name + "\": the name leaves the target folder");
        done(UnzReasonUnsafeName, name);
        return;
    }
    const bool folder = unz::isFolderName(name);
    std::string dir;
    if (!p_.testOnly && !makeFolders(*parts, folder ? parts->size() : parts->size() - 1, dir)) {
        message(UnzReasonWriteError, "Cannot make the folder for \"" + name + "\"");
        done(UnzReasonWriteError, name);
        return;
    }
    if (folder) {
        done(UnzReasonOk, name);
        return;
    }
    if ((st.valid & ZIP_STAT_SIZE) && st.size > zip_uint64_t(kMaxEntrySize)) {
        message(UnzReasonTooBig, "Skipped \"" + name + "\": the entry is too big");
        done(UnzReasonTooBig, name);
        return;
    }
    const std::string path = dir + parts->back();
    if (!p_.testOnly) {
        struct stat existing;
        const bool exists = lstat(path.c_str(), &existing) == 0;
        if (exists && S_ISDIR(existing.st_mode)) {
            done(UnzReasonWriteError, name);
            return;
        }
        if (!exists && p_.freshen) {
            done(UnzReasonSkipped, name);
            return;
        }
        if (exists && !p_.overwrite) {
            const bool older = (st.valid & ZIP_STAT_MTIME) && existing.st_mtime < st.mtime;
            int32_t answer = older ? 1 : 0;
            if (call(UnzActionOverwrite, 0, path, &answer) != 1) {
                done(UnzReasonSkipped, name);
                return;
            }
        }
    }
    const bool encrypted = (st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE;
    zip_file_t* file = openEntry(index, name, encrypted);
    if (!file) {
        message(encrypted ? UnzReasonNoPassword : UnzReasonReadError, "Cannot read \"" + name + "\"");
        done(encrypted ? UnzReasonNoPassword : UnzReasonReadError, name);
        return;
    }
    std::string temp;
    int fd = -1;
    if (!p_.testOnly) {
        temp = dir + ".unz-XXXXXX";
        std::vector<char> tmpl(temp.begin(), temp.end());
        tmpl.push_back('\0');
        fd = mkstemp(tmpl.data());
        temp = tmpl.data();
        if (fd < 0) {
            zip_fclose(file);
            message(UnzReasonWriteError, "Cannot write \"" + path + "\"");
            done(UnzReasonWriteError, name);
            return;
        }
        fchmod(fd, 0644);
    }
    int reason = UnzReasonReadError;
    try {
        reason = copyOut(file, fd, name, (st.valid & ZIP_STAT_SIZE) ? int64_t(st.size) : kMaxEntrySize);
    } catch (const Stop&) {
        zip_fclose(file);
        if (fd >= 0) {
            ::close(fd);
            ::unlink(temp.c_str());
        }
        throw;
    }
    zip_fclose(file);
    if (fd >= 0) {
        if (::close(fd) != 0 && reason == UnzReasonOk)
            reason = UnzReasonWriteError;
        if (reason == UnzReasonOk && ::rename(temp.c_str(), path.c_str()) != 0)
            reason = UnzReasonWriteError;
        if (reason != UnzReasonOk) {
            ::unlink(temp.c_str());
        } else if (st.valid & ZIP_STAT_MTIME) {
            struct timespec times[2] = {{st.mtime, 0}, {st.mtime, 0}};
            utimensat(AT_FDCWD, path.c_str(), times, 0);
        }
    }
    if (reason == UnzReasonTooBig)
        message(reason, "Skipped \"" + name + "\": the entry is too big");
    else if (reason != UnzReasonOk)
        message(reason, "Cannot extract \"" + name + "\"");
    else
        ++written_;
    done(reason, name);
}

// Bytes in front of the archive (a self-extracting stub): the end record is
// found from the end of the file, and the central directory lies its size
// before it; where the directory says it starts is that much further on.
// 0 when there are none or the file has no end record.
uint64_t bytesBeforeArchive(const char* path, uint64_t& fileSize)
{
    fileSize = 0;
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return 0;
    uint64_t prefix = 0;
    if (std::fseek(f, 0, SEEK_END) == 0) {
        const long size = std::ftell(f);
        fileSize = size > 0 ? uint64_t(size) : 0;
        const long tail = std::min<long>(size, 65535 + 22);
        std::vector<unsigned char> buf(size_t(tail > 0 ? tail : 0));
        if (tail >= 22 && std::fseek(f, size - tail, SEEK_SET) == 0 && std::fread(buf.data(), 1, buf.size(), f) == buf.size()) {
            for (long i = tail - 22; i >= 0; --i) {
                const unsigned char* r = buf.data() + i;
                if (r[0] != 'P' || r[1] != 'K' || r[2] != 5 || r[3] != 6)
                    continue;
                auto le32 = [](const unsigned char* b) { return uint64_t(b[0]) | uint64_t(b[1]) << 8 | uint64_t(b[2]) << 16 | uint64_t(b[3]) << 24; };
                const uint64_t endPosition = uint64_t(size - tail + i);
                const uint64_t directorySize = le32(r + 12), directoryOffset = le32(r + 16);
                if (directorySize + directoryOffset < endPosition)
                    prefix = endPosition - directorySize - directoryOffset;
                break;
            }
        }
    }
    std::fclose(f);
    return prefix;
}

// Opens the archive, through a window that skips what lies in front of it.
zip_t* openArchive(const char* path)
{
    int err = 0;
    uint64_t size = 0;
    const uint64_t prefix = bytesBeforeArchive(path, size);
    if (prefix == 0 || prefix >= size)
        return zip_open(path, ZIP_RDONLY, &err);
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_file_create(path, prefix, zip_int64_t(size - prefix), &error);
    zip_t* z = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
    if (!z && source)
        zip_source_free(source);
    zip_error_fini(&error);
    return z;
}

int32_t Extractor::run()
{
    if (!p_.archivePath)
        return -1;
    zip_ = openArchive(p_.archivePath);
    if (!zip_) {
        try {
            message(UnzReasonReadError, std::string("Cannot open \"") + p_.archivePath + "\"");
            call(UnzActionEndBatch, 0, {});
        } catch (const Stop&) {
        }
        return -1;
    }
    target_ = p_.targetFolder && *p_.targetFolder ? p_.targetFolder : "./";
    if (target_.back() != '/' && target_.back() != '\\')
        target_ += '/';
    if (target_.back() == '\\')
        target_.back() = '/';
    if (p_.password)
        password_ = p_.password;

    struct Item {
        zip_uint64_t index;
        std::string name;
        zip_stat_t st;
    };
    std::vector<Item> items;
    int64_t totalSize = 0;
    const zip_int64_t count = zip_get_num_entries(zip_, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* raw = zip_get_name(zip_, zip_uint64_t(i), ZIP_FL_ENC_GUESS);
        if (!raw || !wanted(raw))
            continue;
        Item item{zip_uint64_t(i), raw, {}};
        zip_stat_init(&item.st);
        if (zip_stat_index(zip_, item.index, 0, &item.st) != 0)
            continue;
        if ((item.st.valid & ZIP_STAT_SIZE) && item.st.size <= zip_uint64_t(kMaxEntrySize))
            totalSize += int64_t(item.st.size);
        items.push_back(std::move(item));
    }
    try {
        call(UnzActionFileCount, int64_t(items.size()), {});
        call(UnzActionTotalSize, totalSize, {});
        for (const Item& item : items)
            extractOne(item.index, item.name, item.st);
        call(UnzActionEndBatch, 0, {});
    } catch (const Stop&) {
        // the caller cancelled; what was written stays
    }
    zip_discard(zip_);
    zip_ = nullptr;
    return written_;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t UnzDllExec(UnzParams* params)
{
    if (!params)
        return -1;
    return Extractor(*params).run();
}

extern "C" __attribute__((visibility("default"))) int32_t GetUnzDllVersion(void)
{
    return UNZ_INTERFACE_VERSION;
}
