#pragma once

#include <cstdio>

namespace velkaro::reader {

// Gives the library a file stream that reads the file in blocks of pages with positioned reads. Through a
// plain stream the library seeks to the end and back before every page it reads (catalogue, definitions, memos):
// several system calls a page, where this stream makes one every 16 pages.
//
// Replaces `stream` by such a stream over the same file and closes the original; leaves it as it is when
// the new stream cannot be made.
void usePageStream(std::FILE *&stream);

} // namespace velkaro::reader
