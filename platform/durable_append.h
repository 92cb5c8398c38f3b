#pragma once

// Appending to a file so that what was written survives a crash or a power cut: every write is
// flushed to the disk before it counts. Bound to Win32 or to POSIX; this header stays free of
// operating system and Qt types, so the Win32 binding compiles alone with a cross compiler.

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

/// An open file: on Windows the HANDLE, on POSIX the file descriptor; invalidAppendHandle
/// when not open.
using AppendHandle = std::intptr_t;

inline constexpr AppendHandle invalidAppendHandle = -1;

/// Opens the file at `path` (UTF-16) for appending, creating it when missing. Other programs
/// may read, write, rename or delete it meanwhile (Windows shares all three), so a spreadsheet
/// that opens it cannot lock the writer out. On failure returns invalidAppendHandle and puts
/// the system's message into `error`.
AppendHandle openForAppend(const std::u16string &path, std::u16string &error);

/// Writes all `size` bytes at the end of the file (short writes and interruptions are carried
/// on), then flushes them to the disk. False with the system's message on failure; some of
/// the bytes may then be in the file.
bool appendDurably(AppendHandle handle, const char *data, std::size_t size, std::u16string &error);

void closeAppendHandle(AppendHandle handle);

} // namespace platform
