#include "tools/skin/gif_writer.h"

#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <unordered_map>

namespace skin {

namespace {

constexpr uint32_t kMagenta = 0xFF00FF;

struct ColourCount {
  uint32_t rgb;
  uint64_t count;
};

int Channel(uint32_t rgb, int channel) { return (rgb >> (16 - 8 * channel)) & 0xFF; }

// A box of the median cut: a range of `colours` (sorted in place as it is split).
struct Box {
  std::size_t begin;
  std::size_t end;
  int widest_channel = 0;
  int range = 0;
  uint64_t weight = 0;
};

void Measure(const std::vector<ColourCount>& colours, Box* box) {
  int low[3] = {255, 255, 255};
  int high[3] = {0, 0, 0};
  box->weight = 0;
  for (std::size_t i = box->begin; i < box->end; ++i) {
    for (int c = 0; c < 3; ++c) {
      low[c] = std::min(low[c], Channel(colours[i].rgb, c));
      high[c] = std::max(high[c], Channel(colours[i].rgb, c));
    }
    box->weight += colours[i].count;
  }
  box->range = -1;
  for (int c = 0; c < 3; ++c) {
    if (high[c] - low[c] > box->range) {
      box->range = high[c] - low[c];
      box->widest_channel = c;
    }
  }
}

uint32_t Average(const std::vector<ColourCount>& colours, const Box& box) {
  uint64_t sum[3] = {0, 0, 0};
  uint64_t total = 0;
  for (std::size_t i = box.begin; i < box.end; ++i) {
    for (int c = 0; c < 3; ++c) sum[c] += static_cast<uint64_t>(Channel(colours[i].rgb, c)) * colours[i].count;
    total += colours[i].count;
  }
  uint32_t rgb = 0;
  for (int c = 0; c < 3; ++c) rgb = (rgb << 8) | static_cast<uint32_t>((sum[c] + total / 2) / total);
  return rgb;
}

// Splits the colour list into at most `limit` boxes; returns them.
std::vector<Box> MedianCut(std::vector<ColourCount>& colours, std::size_t limit) {
  std::vector<Box> boxes;
  Box all{0, colours.size()};
  Measure(colours, &all);
  boxes.push_back(all);
  while (boxes.size() < limit) {
    // Split the box with the widest spread, weighted by how many pixels it covers.
    int pick = -1;
    double best = 0;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      if (boxes[i].end - boxes[i].begin < 2 || boxes[i].range <= 0) continue;
      double score = static_cast<double>(boxes[i].range) * std::sqrt(static_cast<double>(boxes[i].weight));
      if (score > best) {
        best = score;
        pick = static_cast<int>(i);
      }
    }
    if (pick < 0) break;
    Box box = boxes[pick];
    int channel = box.widest_channel;
    std::sort(colours.begin() + box.begin, colours.begin() + box.end,
              [channel](const ColourCount& a, const ColourCount& b) { return Channel(a.rgb, channel) < Channel(b.rgb, channel); });
    uint64_t half = box.weight / 2;
    uint64_t running = 0;
    std::size_t cut = box.begin + 1;
    for (std::size_t i = box.begin; i < box.end - 1; ++i) {
      running += colours[i].count;
      cut = i + 1;
      if (running >= half) break;
    }
    Box first{box.begin, cut};
    Box second{cut, box.end};
    Measure(colours, &first);
    Measure(colours, &second);
    boxes[pick] = first;
    boxes.push_back(second);
  }
  return boxes;
}

// LZW code writer packing codes least significant bit first into 255-byte sub-blocks.
class CodeWriter {
 public:
  explicit CodeWriter(std::string* out) : out_(out) {}
  void Put(int code, int bits) {
    accumulator_ |= static_cast<uint32_t>(code) << filled_;
    filled_ += bits;
    while (filled_ >= 8) {
      Byte(static_cast<uint8_t>(accumulator_ & 0xFF));
      accumulator_ >>= 8;
      filled_ -= 8;
    }
  }
  void Finish() {
    if (filled_ > 0) Byte(static_cast<uint8_t>(accumulator_ & 0xFF));
    accumulator_ = 0;
    filled_ = 0;
    FlushBlock();
    out_->push_back('\0');  // block terminator
  }

 private:
  void Byte(uint8_t byte) {
    block_.push_back(static_cast<char>(byte));
    if (block_.size() == 255) FlushBlock();
  }
  void FlushBlock() {
    if (block_.empty()) return;
    out_->push_back(static_cast<char>(block_.size()));
    out_->append(block_);
    block_.clear();
  }
  std::string* out_;
  std::string block_;
  uint32_t accumulator_ = 0;
  int filled_ = 0;
};

void PutWord(std::string* out, int value) {
  out->push_back(static_cast<char>(value & 0xFF));
  out->push_back(static_cast<char>((value >> 8) & 0xFF));
}

}  // namespace

IndexedImage Quantize(const QImage& source) {
  QImage image = source.convertToFormat(QImage::Format_ARGB32);
  IndexedImage result;
  result.width = image.width();
  result.height = image.height();
  result.pixels.resize(static_cast<std::size_t>(result.width) * result.height);

  std::map<uint32_t, uint64_t> histogram;
  bool any_transparent = false;
  for (int y = 0; y < image.height(); ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      if (qAlpha(row[x]) < 128) {
        any_transparent = true;
      } else {
        ++histogram[row[x] & 0xFFFFFF];
      }
    }
  }
  std::size_t limit = any_transparent ? 255 : 256;
  std::vector<ColourCount> colours;
  colours.reserve(histogram.size());
  for (const auto& entry : histogram) colours.push_back({entry.first, entry.second});

  std::unordered_map<uint32_t, uint8_t> index_of;
  if (colours.size() <= limit) {
    for (const ColourCount& colour : colours) {
      index_of[colour.rgb] = static_cast<uint8_t>(result.palette.size());
      result.palette.push_back(colour.rgb);
    }
  } else {
    std::vector<Box> boxes = MedianCut(colours, limit);
    for (const Box& box : boxes) {
      uint8_t index = static_cast<uint8_t>(result.palette.size());
      result.palette.push_back(Average(colours, box));
      for (std::size_t i = box.begin; i < box.end; ++i) index_of[colours[i].rgb] = index;
    }
  }
  if (any_transparent) {
    result.transparent = static_cast<int>(result.palette.size());
    result.palette.push_back(kMagenta);
  }
  if (result.palette.empty()) result.palette.push_back(0);

  std::size_t at = 0;
  for (int y = 0; y < image.height(); ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x, ++at) {
      result.pixels[at] = qAlpha(row[x]) < 128 ? static_cast<uint8_t>(result.transparent)
                                                : index_of[row[x] & 0xFFFFFF];
    }
  }
  return result;
}

std::string EncodeGif(const IndexedImage& image) {
  int table_bits = 1;
  while ((1u << table_bits) < image.palette.size()) ++table_bits;
  const int table_size = 1 << table_bits;

  std::string out = "GIF89a";
  PutWord(&out, image.width);
  PutWord(&out, image.height);
  out.push_back(static_cast<char>(0x80 | (7 << 4) | (table_bits - 1)));  // global table, 8-bit colour
  out.push_back('\0');  // background index
  out.push_back('\0');  // aspect
  for (int i = 0; i < table_size; ++i) {
    uint32_t rgb = i < static_cast<int>(image.palette.size()) ? image.palette[i] : 0;
    out.push_back(static_cast<char>((rgb >> 16) & 0xFF));
    out.push_back(static_cast<char>((rgb >> 8) & 0xFF));
    out.push_back(static_cast<char>(rgb & 0xFF));
  }
  if (image.transparent >= 0) {
    out.append("\x21\xF9\x04\x01", 4);  // graphic control: transparent index present
    PutWord(&out, 0);                   // no delay
    out.push_back(static_cast<char>(image.transparent));
    out.push_back('\0');
  }
  out.push_back(',');  // image descriptor
  PutWord(&out, 0);
  PutWord(&out, 0);
  PutWord(&out, image.width);
  PutWord(&out, image.height);
  out.push_back('\0');  // no local table, not interlaced

  const int min_code_size = std::max(2, table_bits);
  out.push_back(static_cast<char>(min_code_size));
  const int clear = 1 << min_code_size;
  const int end = clear + 1;
  CodeWriter writer(&out);
  std::unordered_map<uint32_t, int> dictionary;
  int next_code = end + 1;
  int code_bits = min_code_size + 1;
  writer.Put(clear, code_bits);
  int prefix = -1;
  for (uint8_t pixel : image.pixels) {
    if (prefix < 0) {
      prefix = pixel;
      continue;
    }
    uint32_t key = (static_cast<uint32_t>(prefix) << 8) | pixel;
    auto found = dictionary.find(key);
    if (found != dictionary.end()) {
      prefix = found->second;
      continue;
    }
    writer.Put(prefix, code_bits);
    if (next_code < 4096) {
      dictionary[key] = next_code++;
      // The decoder widens its codes once the table reaches the current width's limit.
      if (next_code > (1 << code_bits) && code_bits < 12) ++code_bits;
    } else {
      writer.Put(clear, code_bits);
      dictionary.clear();
      next_code = end + 1;
      code_bits = min_code_size + 1;
    }
    prefix = pixel;
  }
  if (prefix >= 0) writer.Put(prefix, code_bits);
  writer.Put(end, code_bits);
  writer.Finish();
  out.push_back(';');  // trailer
  return out;
}

bool WriteGif(const QImage& image, const std::string& path, std::string* error) {
  std::string bytes = EncodeGif(Quantize(image));
  std::FILE* file = std::fopen(path.c_str(), "wbe");
  if (!file) {
    *error = "cannot create " + path;
    return false;
  }
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = (std::fclose(file) == 0) && ok;
  if (!ok) *error = "cannot write " + path;
  return ok;
}

}  // namespace skin
