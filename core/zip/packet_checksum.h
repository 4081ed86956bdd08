// Update packets: their file names and the chunk-digest checksum the update manifest lists for
// each of them.
//
// The checksum reads the file in chunks of 512 bytes, renders the MD5 of every chunk as 32
// lower-case hexadecimal characters, and takes the MD5 of the concatenated text. End of file is
// only noticed by a read that comes up short, so a file whose length is a multiple of 512 (the
// empty file too) adds one last digest of zero bytes.
#pragma once

#include <string>
#include <string_view>

#include "core/export.h"

namespace ds {

constexpr int kPacketChunkSize = 512;

// "s%d.pkg": the packet file of `number`, on the server and on disk.
DS_API std::string PacketFileName(int number);

// Checksum of bytes held in memory.
DS_API std::string PacketChecksumOfBytes(std::string_view bytes);

// Checksum of the file at `path` (through NativePath) into `checksum`. 1 when the whole file was
// read. 0 when it cannot be opened (`checksum` empty) or a read fails part-way (`checksum` then
// covers the chunks read before the failure).
DS_API int PacketChecksumOfFile(const char* path, std::string& checksum);

// 1 when the file at `path` was read completely and its checksum equals `expected` byte for byte
// (case-sensitive). An empty `expected` never verifies, nor does a file that cannot be read.
DS_API int VerifyPacketFile(const char* path, std::string_view expected);

}  // namespace ds
