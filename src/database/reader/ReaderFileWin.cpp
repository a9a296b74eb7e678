#include "database/reader/ReaderFile.h"

#include "database/reader/ReaderFailure.h"

#include <windows.h>

#include <shellapi.h>

#include <algorithm>

namespace velkaro::reader {

using database::reader_protocol::ReaderError;

namespace {

std::string utf8Of(const wchar_t *text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(std::size_t(size > 0 ? size : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
    utf8.pop_back();
    return utf8;
}

std::wstring wideOf(const char *utf8)
{
    const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, nullptr, 0);
    std::wstring wide(std::size_t(size > 0 ? size : 1), L'\0');
    if (size <= 0 || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, wide.data(), size) != size)
        return {};
    wide.pop_back();
    return wide;
}

HANDLE handleOf(std::intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

} // namespace

std::vector<std::string> utf8Arguments(int, char **)
{
    int count = 0;
    wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 0; wide && i < count; ++i)
        arguments.push_back(utf8Of(wide[i]));
    LocalFree(wide);
    return arguments;
}

std::optional<std::string> readStandardInput(std::size_t limit)
{
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    std::string bytes;
    char chunk[65536];
    for (;;) {
        DWORD read = 0;
        // A pipe whose writer closed it ends with ERROR_BROKEN_PIPE.
        if (!ReadFile(input, chunk, sizeof chunk, &read, nullptr))
            return GetLastError() == ERROR_BROKEN_PIPE ? std::optional(bytes) : std::nullopt;
        if (read == 0)
            return bytes;
        if (bytes.size() + read > limit)
            return std::nullopt;
        bytes.append(chunk, read);
    }
}

ReaderFile::ReaderFile(const char *path)
{
    const std::wstring widePath = wideOf(path);
    // Others may go on reading and writing the file, as Access shares it; a path that is not a file on a disk
    // (a folder, a device, a pipe) is refused.
    const HANDLE file = widePath.empty()
        ? INVALID_HANDLE_VALUE
        : CreateFileW(widePath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        fail(ReaderError::NotAFile, "cannot open");
    BY_HANDLE_FILE_INFORMATION info {};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info)
        || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        CloseHandle(file);
        fail(ReaderError::NotAFile, "not a regular file");
    }
    m_handle = reinterpret_cast<std::intptr_t>(file);
    m_size = std::uint64_t(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
}

ReaderFile::~ReaderFile()
{
    CloseHandle(handleOf(m_handle));
}

std::size_t ReaderFile::readAt(void *into, std::size_t size, std::uint64_t offset) const
{
    std::size_t got = 0;
    while (got < size) {
        OVERLAPPED at {};
        at.Offset = DWORD(offset + got);
        at.OffsetHigh = DWORD((offset + got) >> 32);
        DWORD read = 0;
        const DWORD wanted = DWORD(std::min<std::size_t>(size - got, 1u << 30));
        if (!ReadFile(handleOf(m_handle), static_cast<char *>(into) + got, wanted, &read, &at) || read == 0)
            break;
        got += read;
    }
    return got;
}

} // namespace velkaro::reader
