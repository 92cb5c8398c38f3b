// Compiled alone by the cross compiler as a check, so it needs nothing from the build system.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

#include "platform/durable_append.h"

#include <windows.h>

#include <algorithm>

namespace platform {
namespace {

// INVALID_HANDLE_VALUE (-1) is also the pseudo handle of the current process: never pass it on.
HANDLE toHandle(AppendHandle handle)
{
    return handle > 0 ? reinterpret_cast<HANDLE>(handle) : nullptr;
}

std::u16string systemMessage(DWORD error)
{
    wchar_t *text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    std::u16string message;
    if (text != nullptr) {
        message.assign(reinterpret_cast<const char16_t *>(text), length);
        LocalFree(text);
    }
    // The system ends its messages with a line break.
    while (!message.empty() && (message.back() == u'\n' || message.back() == u'\r')) {
        message.pop_back();
    }
    if (message.empty()) {
        const std::string code = std::to_string(error);
        message = u"Error ";
        message.append(code.begin(), code.end());
    }
    return message;
}

} // namespace

AppendHandle openForAppend(const std::u16string &path, std::u16string &error)
{
    const std::wstring name(path.begin(), path.end());
    // Shared for reading, writing and deleting: a spreadsheet that opens the file while the
    // match goes on must not lock us out, nor we it.
    HANDLE file = CreateFileW(name.c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = systemMessage(GetLastError());
        return invalidAppendHandle;
    }
    return reinterpret_cast<AppendHandle>(file);
}

bool appendDurably(AppendHandle handle, const char *data, std::size_t size, std::u16string &error)
{
    HANDLE file = toHandle(handle);
    if (file == nullptr) {
        error = systemMessage(ERROR_INVALID_HANDLE);
        return false;
    }
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1U << 20));
        DWORD written = 0;
        if (!WriteFile(file, data, chunk, &written, nullptr)) {
            error = systemMessage(GetLastError());
            return false;
        }
        if (written == 0) {
            error = systemMessage(ERROR_DISK_FULL);
            return false;
        }
        data += written;
        size -= written;
    }
    if (!FlushFileBuffers(file)) {
        error = systemMessage(GetLastError());
        return false;
    }
    return true;
}

void closeAppendHandle(AppendHandle handle)
{
    if (HANDLE file = toHandle(handle)) {
        CloseHandle(file);
    }
}

} // namespace platform
