// The memo reader on a memo field and a file of pages (in memory). Input: a flags byte (bit 0: Jet 3, in code page
// 1251), the field's length, the field, then the file.

#include "database/reader/PageReader.h"
#include "database/reader/ReaderFailure.h"
#include "database/reader/ReaderFile.h"
#include "database/reader/ReaderMemo.h"
#include "fuzz/FuzzCheck.h"

#include <QUtf8StringView>

#include <sys/mman.h>
#include <unistd.h>

#include <string>
#include <vector>

using namespace velkaro::reader;
using velkaro::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2 || size < 2 + std::size_t(data[1]))
        return 0;
    static const CodePages codePages;
    static const int fd = memfd_create("memo-pages", MFD_CLOEXEC);
    require(fd >= 0, "memfd_create failed");
    const bool jet3 = data[0] & 1;
    const std::vector<unsigned char> field(data + 2, data + 2 + data[1]);
    const std::uint8_t *file = data + 2 + data[1];
    const std::size_t fileSize = size - 2 - data[1];
    require(ftruncate(fd, 0) == 0 && pwrite(fd, file, fileSize, 0) == ssize_t(fileSize), "cannot write the file");

    const std::uint32_t pageSize = jet3 ? 2048 : 4096;
    const ReaderFile pagesFile(("/proc/self/fd/" + std::to_string(fd)).c_str());
    PageReader pages(pagesFile, pageSize, std::uint32_t(fileSize / pageSize));
    ReaderMemo memo(pages, std::uint32_t(fileSize / pageSize), jet3);
    try {
        const std::string_view text = memo.text(field, "COMMENT", jet3 ? codePages.find(1251) : nullptr);
        require(QUtf8StringView(text).isValidUtf8(), "memo text not UTF-8");
    } catch (const ReaderFailure &) {
    }
    return 0;
}
