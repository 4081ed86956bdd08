// The RIFF "WAVE" reader behind the resource manager's sounds: the "fmt " chunk and the "data"
// chunk of a file held in memory. No Qt.
#pragma once

#include <cstdint>
#include <string>

#include "vexo/export.h"

struct VEXO_API VEXO_WaveFile {
  unsigned format_tag = 0;  // 1 = PCM
  unsigned channels = 0;
  std::uint32_t samples_per_sec = 0;
  std::uint32_t avg_bytes_per_sec = 0;
  unsigned block_align = 0;
  unsigned bits_per_sample = 0;
  std::string data;  // the sample bytes

  // Parses `bytes` read from the file `name`. 1 on success; 0 with `error` set to the failure
  // message ("%s is an invalid wave file!", "Cannot find fmt chunk in %s!", "Cannot find data
  // chunk in: %s") otherwise. A data chunk that claims more bytes than the file holds keeps
  // what is there, cut to whole sample frames.
  int Parse(const std::string& bytes, const char* name, std::string* error);
};
