#pragma once

#include <cstdio>

namespace velkaro::reader {

// Gives the library a file stream that reads each page with one positioned read. Through a plain stream
// the library seeks to the end and back before every page and rereads the table's usage map page before
// every data page: six system calls a data page, where this stream makes one.
//
// Replaces `stream` by such a stream over the same file and closes the original; leaves it as it is when
// the new stream cannot be made.
void usePageStream(std::FILE *&stream);

} // namespace velkaro::reader
