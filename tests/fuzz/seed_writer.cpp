// Writes the seed corpora that the project's own writers can make, into
// OUT/<target>/seeds/: zip archives made with libzip (and broken copies of them), a saved
// configuration, a registry store, record pairs, update manifests with real checksums, text
// for the pinyin renderer. make_seeds.sh runs it and adds what other tools make.
//
//   fuzz_seed_writer OUT SOURCE_TREE
#include <zip.h>

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/data/config.h"
#include "core/net/account_wire.h"
#include "core/zip/packet_checksum.h"
#include "core/text/path.h"
#include "core/registry/registry_text.h"
#include "core/registry/registry_tree.h"
#include "core/text/text_codec.h"
#include "core/pe/version_resource.h"
#include "tests/common/temp_dir.h"
#include "tests/fuzz/fuzz_support.h"
#include "vexo/download/rd_record.h"
#include "vexo/download/record_file.h"

namespace {

std::string out_root;

void Put(const std::string& target, const std::string& name, const std::string& bytes) {
  const std::string dir = out_root + "/" + target + "/seeds";
  FUZZ_CHECK(ds::MakeDirectories(dir), dir.c_str());
  corvane_fuzz::WriteInputFile(dir + "/" + name, bytes.data(), bytes.size());
}

void PutZip(const std::string& name, const std::string& bytes) {
  Put("unzip", name, bytes);
  Put("packet_extract", name, bytes);
}

std::uint32_t Le32(const std::string& b, std::size_t at) {
  return std::uint32_t(static_cast<unsigned char>(b[at])) |
         std::uint32_t(static_cast<unsigned char>(b[at + 1])) << 8 |
         std::uint32_t(static_cast<unsigned char>(b[at + 2])) << 16 |
         std::uint32_t(static_cast<unsigned char>(b[at + 3])) << 24;
}

void SetLe32(std::string& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

struct ZipFile {
  std::string name;
  std::string data;
  zip_int32_t method = ZIP_CM_DEFLATE;
  zip_flags_t encoding = ZIP_FL_ENC_UTF_8;
  bool directory = false;
  zip_uint32_t unix_mode = 0;  // 0: libzip's default attributes
};

// An archive made by libzip, read back as bytes.
std::string MakeZip(const std::vector<ZipFile>& files) {
  corvane_test::TempDir dir;
  const std::string path = dir.File("seed.zip");
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  FUZZ_CHECK(archive != nullptr, "zip_open");
  for (const ZipFile& f : files) {
    zip_int64_t index;
    if (f.directory) {
      index = zip_dir_add(archive, f.name.c_str(), f.encoding);
    } else {
      zip_source_t* source = zip_source_buffer(archive, f.data.data(), f.data.size(), 0);
      FUZZ_CHECK(source != nullptr, "source");
      index = zip_file_add(archive, f.name.c_str(), source, f.encoding);
      FUZZ_CHECK(index >= 0, f.name.c_str());
      FUZZ_CHECK(zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), f.method, 9) == 0, "method");
    }
    FUZZ_CHECK(index >= 0, f.name.c_str());
    if (f.unix_mode != 0)
      FUZZ_CHECK(zip_file_set_external_attributes(archive, static_cast<zip_uint64_t>(index), 0,
                                                  ZIP_OPSYS_UNIX, f.unix_mode << 16) == 0,
                 "attributes");
  }
  FUZZ_CHECK(zip_close(archive) == 0, "zip_close");
  return corvane_fuzz::ReadFileBytes(path);
}

std::size_t EndRecord(const std::string& zip) {
  const std::size_t at = zip.rfind(std::string("PK\x05\x06", 4));
  FUZZ_CHECK(at != std::string::npos, "end record");
  return at;
}

void WriteZipSeeds() {
  const std::string text = "Corvane keeps a list of programs.\n";
  const std::string repeated(600, 'a');
  const std::string stored = MakeZip({{"readme.txt", text, ZIP_CM_STORE},
                                      {"bin/", "", ZIP_CM_STORE, ZIP_FL_ENC_UTF_8, true},
                                      {"bin/app.cfg", "mode=1\n", ZIP_CM_STORE}});
  PutZip("stored.zip", stored);
  PutZip("deflated.zip", MakeZip({{"data/big.txt", repeated}, {"data/small.txt", text}}));
  PutZip("gbk_name.zip", MakeZip({{ds::Utf8ToGbk("软件/说明.txt"), text, ZIP_CM_DEFLATE, ZIP_FL_ENC_CP437},
                                  {"软件/utf8.txt", text}}));
  PutZip("unix_modes.zip", MakeZip({{"run.sh", "#!/bin/sh\n", ZIP_CM_STORE, ZIP_FL_ENC_UTF_8, false, 0100755},
                                    {"readonly.txt", text, ZIP_CM_STORE, ZIP_FL_ENC_UTF_8, false, 0100444},
                                    {"setuid", text, ZIP_CM_STORE, ZIP_FL_ENC_UTF_8, false, 0104755},
                                    {"link", "../outside", ZIP_CM_STORE, ZIP_FL_ENC_UTF_8, false, 0120777}}));
  PutZip("traversal.zip", MakeZip({{"../escape.txt", text, ZIP_CM_STORE},
                                   {"a/../../b.txt", text, ZIP_CM_STORE},
                                   {"/absolute.txt", text, ZIP_CM_STORE},
                                   {"C:\\windows.txt", text, ZIP_CM_STORE},
                                   {"..\\back.txt", text, ZIP_CM_STORE},
                                   {"up/through-link.txt", text, ZIP_CM_STORE},
                                   {"./dot/./name.txt", text, ZIP_CM_STORE}}));
  // "/same" and "same" index as one name.
  PutZip("same_name.zip", MakeZip({{"/same", "first", ZIP_CM_STORE}, {"same", "second", ZIP_CM_STORE}}));
  // The bare end record, as the pack builder writes an empty pack.
  PutZip("empty.zip", std::string("PK\x05\x06", 4) + std::string(18, '\0'));

  // Broken copies of the stored archive.
  const std::size_t end = EndRecord(stored);
  std::string broken = stored;
  SetLe32(broken, end + 16, static_cast<std::uint32_t>(stored.size() + 4096));
  PutZip("central_directory_past_end.zip", broken);
  broken = stored;
  SetLe32(broken, end + 12, Le32(stored, end + 12) + 100000);
  PutZip("central_directory_too_long.zip", broken);
  PutZip("truncated.zip", stored.substr(0, stored.size() / 2) + stored.substr(end));
  broken = stored;
  // A byte of the first entry's data: its CRC no longer matches.
  const std::size_t first_data = 30 + (Le32(stored, 26) & 0xFFFF) + (Le32(stored, 28) & 0xFFFF);
  broken[first_data + 2] ^= 0x20;
  PutZip("bad_crc.zip", broken);
  broken = stored;
  // The first central record's uncompressed size claims 2 GiB.
  const std::size_t central = Le32(stored, end + 16);
  SetLe32(broken, central + 24, 0x7FFFFFF0u);
  PutZip("huge_size.zip", broken);
}

void WriteXmlSeeds() {
  corvane_test::TempDir dir;
  ds::Config config;
  config.SetInteger("DownloadCount", 3);
  config.SetInteger("AutoInstall", -1);
  config.SetFloat("Ratio", 0.125f);
  config.SetString("DownloadDir", "/home/用户/下载");
  config.SetString("Quote", "a \"b\" <c> & 'd'");
  const std::string path = dir.File("MgrSet.xml");
  FUZZ_CHECK(config.Save(path.c_str()), "save");
  const std::string saved = corvane_fuzz::ReadFileBytes(path);
  Put("config", "MgrSet.xml", saved);
  Put("data_table", "config.xml", saved);
  Put("data_tree", "config.xml", saved);

  Put("config", "utf8.xml",
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<config>\n  <integer name=\"a\" value=\"99999999999\"/>\n"
      "  <float name=\"f\" value=\"1e40\"/>\n  <string name=\"名\" value=\"值&#x41;&amp;\"/>\n</config>\n");
  Put("config", "missing_value.xml", "<config><integer name=\"a\" value=\"1\"/><string name=\"b\"/></config>");

  const std::string tree =
      "<?xml version=\"1.0\" encoding=\"gb2312\"?>\n<root version=\"2\">\n"
      "  <type id=\"1\" name=\"" + ds::Utf8ToGbk("音乐") + "\"><item id=\"10\"/><item id=\"11\"/></type>\n"
      "  <type id=\"2\"><!-- comment --><![CDATA[<x>]]><item/><sub><item deep=\"1\"/></sub></type>\n"
      "</root>\n";
  Put("data_table", "nested.xml", tree);
  Put("data_tree", "nested.xml", tree);
  Put("data_table", "no_root.xml", "<?xml version=\"1.0\"?>\n<!-- nothing -->\n");
  Put("data_tree", "gb18030.xml", "<?xml version=\"1.0\" encoding=\"GB18030\"?><a b=\"\x81\x30\x81\x30\"/>");

  // Update manifests with the checksums of real packets, newest first.
  std::string manifest = "<?xml version=\"1.0\" encoding=\"gb2312\"?>\n<update>\n";
  for (int number : {16, 15, 14}) {
    const std::string packet(static_cast<std::size_t>(number) * 100, static_cast<char>(number));
    manifest += "  <string name=\"" + std::to_string(number) + "\" value=\"" +
                ds::PacketChecksumOfBytes(packet) + "\"/>\n";
  }
  manifest += "</update>\n";
  Put("update_manifest", "Update.xml", manifest);
  Put("update_manifest", "odd.xml",
      "<u><string name=\"-3\" value=\"\"/><string value=\"x\"/><other name=\"9\"/>"
      "<string name=\"2147483648\" value=\"y\"/><string name=\"7\" value=\"a\"/><string name=\"7\" value=\"b\"/></u>");
}

void WriteRegistrySeeds() {
  ds::reg::Tree tree;
  ds::reg::Key* key = tree.root(ds::reg::kLocalMachine).AddSubkey("SOFTWARE", false);
  key = key->AddSubkey("Corvane", false);
  key->SetValue("", 1, std::string("default\0", 8));
  key->SetValue("InstallPath", 1, std::string("C:\\Program Files\\Corvane\0", 25));
  key->SetValue("Count", 4, std::string("\x2a\0\0\0", 4));
  key->SetValue("Blob", 3, std::string(100, '\x5a'));
  key->SetValue("Expand", 2, std::string("%ProgramFiles%\0", 15));
  key->SetValue("Multi", 7, std::string("a\0b\0\0", 5));
  key->SetValue("名称", 1, std::string("软件\0", 7));
  key->AddSubkey("Empty", false);
  tree.root(ds::reg::kCurrentUser).AddSubkey("Software", false)->SetValue("Quote\"d", 1, std::string("a\\b\"c\0", 7));
  const std::string store = ds::reg::FormatTree(tree, false);
  Put("registry_text", "store.reg", store);

  // The registry editor's own export form: UTF-16LE with a BOM, CR LF line ends.
  std::string utf16 = "\xFF\xFE";
  const std::string crlf_text =
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CLASSES_ROOT\\.txt]\r\n@=\"txtfile\"\r\n";
  for (char c : crlf_text) {
    utf16.push_back(c);
    utf16.push_back('\0');
  }
  Put("registry_text", "utf16.reg", utf16);
  Put("registry_text", "edges.reg",
      "\xEF\xBB\xBFREGEDIT4\n[HKCU\\A]\n\"x\"=hex(2):25,00,41,00,\\\n  25,00,00,00\n"
      "\"y\"=dword:ffffffff\n\"z\"=-\n[-HKCU\\B]\n[HKU\\.DEFAULT\\C]\n\"bad\"=hex:123\n"
      "; comment\n[HKLM\\]\n[NOPE\\x]\n\"orphan\"=\"v\"\n");
}

void WriteRecordSeeds() {
  corvane_test::TempDir dir;
  const std::string target = dir.File("setup.exe");
  // A pair just created, then one that has started: 1005 bytes in 10 blocks, some filled.
  FUZZ_CHECK(CreateRecordPair("http://127.0.0.1/setup.exe", target, 10), "create");
  Put("record_file", "created.rd2", std::string(1, '\1') + corvane_fuzz::ReadFileBytes(RecordPathOf(target)));
  std::vector<BlockHeader4> blocks = MakeBlockLayout(1005, 10);
  blocks[0].completedSize = 100;
  blocks[9].completedSize = 50;
  FUZZ_CHECK(WriteRecordLayout(RecordPathOf(target), "http://127.0.0.1/setup.exe", 1005, blocks), "layout");
  const std::string started = corvane_fuzz::ReadFileBytes(RecordPathOf(target));
  Put("record_file", "started.rd2", std::string(1, '\1') + started);
  Put("record_file", "no_data_file.rd2", std::string(1, '\0') + started);
  Put("record_file", "short_data_file.rd2", std::string(1, '\x0b') + started);
  // A block count whose high half is set, and a record one block short.
  std::string broken = started;
  broken[8 + 4] = '\1';
  Put("record_file", "count_high_half.rd2", std::string(1, '\1') + broken);
  Put("record_file", "one_block_short.rd2", std::string(1, '\1') + started.substr(0, started.size() - 16));

  FUZZ_CHECK(CreateRdRecordPair("http://127.0.0.1/setup.exe", target), "create rd");
  Put("rd_record", "created.rd", std::string(1, '\1') + corvane_fuzz::ReadFileBytes(RdRecordPathOf(target)));
  RecordFileHeader header;
  header.completedSize = 400;
  header.fileLength = 1000;
  SetRdRecordUrl(&header, "http://127.0.0.1:8080/dir/setup.exe?x=1");
  Put("rd_record", "started.rd", std::string(1, '\1') + EncodeRecordHeader(header));
  header.completedSize = 1001;
  Put("rd_record", "completed_past_length.rd", std::string(1, '\1') + EncodeRecordHeader(header));
}

// The version resource fixtures' executables, a bare version block read from one of them, and
// a cut copy.
void WritePeSeeds(const std::string& top) {
  const std::string dir = top + "/tests/core/pe/fixtures/";
  for (const char* name : {"chinese_x64.exe", "no_version_x64.exe", "upper_table_x86.exe"}) {
    bool missing = false;
    const std::string image = corvane_fuzz::ReadFileBytes(dir + name, &missing);
    FUZZ_CHECK(!missing, name);
    Put("version_resource", name, image);
  }
  std::string block;
  FUZZ_CHECK(ds::GetFileVersionInfo((dir + "chinese_x64.exe").c_str(), block), "version block");
  Put("version_resource", "block_chinese.bin", block);
  const std::string image = corvane_fuzz::ReadFileBytes(dir + "upper_table_x86.exe");
  Put("version_resource", "cut_x86.exe", image.substr(0, image.size() * 3 / 4));
}

void WriteTextSeeds() {
  Put("pinyin", "utf8.txt", "音乐播放器 QQ2024 ＡＢＣ①⑵Ⅻ αβΩ 😀 ü");
  Put("pinyin", "gbk.bin", ds::Utf8ToGbk("音乐播放器 QQ2024 ＡＢＣ①⑵Ⅻ αβΩ"));
  Put("pinyin", "edges.bin", std::string("\x81\x30\x81\x30\xa3\x41\xa3\xff\xa2\xa1\xa6\xd8\xfe", 13));

  Put("packet_checksum", "empty", "");
  Put("packet_checksum", "chunk", std::string(512, 'x'));
  Put("packet_checksum", "chunk_and_one", std::string(513, 'y'));

  Put("http_response", "ok",
      "HTTP/1.1 200 OK\r\nContent-Length: 1005\r\nContent-Type: application/octet-stream\r\n\r\n");
  Put("http_response", "partial",
      "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 100-1004/1005\r\nContent-Length: 905\r\n"
      "content-length: 905\r\nAccept-Ranges: bytes\r\n\r\nbody");
  Put("http_response", "redirect", "HTTP/1.0 302 Found\r\nLocation: http://127.0.0.1/other\r\n\r\n");
  Put("http_response", "lengths_disagree", "HTTP/1.1 200 OK\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\n");
  Put("http_response", "folded", "HTTP/1.1 200 OK\r\nX-A: 1\r\n  folded\r\nbare: lf\n\r\n\r\n");

  Put("header_line", "status", "HTTP/1.1 206 Partial Content\r\n");
  Put("header_line", "status2", "HTTP/2 200\r\n");
  Put("header_line", "length", "Content-Length: 1005\r\n");
  Put("header_line", "range", "content-range: bytes 0-99/1005\r\n");
  Put("header_line", "overflow", "Content-Length: 99999999999999999999\r\n");
  Put("header_line", "location", "Location:  http://127.0.0.1/x \r\n");
}

// Client streams for the account server: a first byte (how the stream is cut into reads), then
// whole messages as the client sends them.
void WriteAccountSeeds() {
  auto login = [](const char* account, const char* password) {
    std::string message;
    FUZZ_CHECK(ds::EncodeLoginRequest({account, ds::PasswordDigest(password)}, &message), account);
    return message;
  };
  ds::CommonSoftIds ids;
  ids.fill(-1);
  ids[0] = 3;
  ids[1] = 17;
  std::string soft;
  FUZZ_CHECK(ds::EncodeCommonSoftUpload("alice", ids, &soft), "186");
  std::vector<std::string> chunks;
  std::vector<ds::Site> sites{{"新浪", "http://www.sina.com.cn"}, {"x", std::string(200, 'a')}, {" ", " "}};
  for (int i = 0; i < 8; ++i) sites.push_back({"站" + std::to_string(i), "https://example.org/" + std::string(150, 'p')});
  FUZZ_CHECK(ds::ChunkSiteText(sites, &chunks), "sites");
  std::string siteMessages;
  for (const std::string& chunk : chunks) {
    std::string message;
    FUZZ_CHECK(ds::EncodeSitesChunk("alice", chunk, &message), "187");
    siteMessages += message;
  }
  Put("account_request", "login", "\x40" + login("alice", "right"));
  Put("account_request", "wrong_password", std::string(1, '\x05') + login("bob", "wrong"));
  Put("account_request", "uploads", std::string(1, '\x60') + login("alice", "right") + soft + siteMessages);
  Put("account_request", "forged", std::string(1, '\x60') + login("bob", "right") + soft);
  Put("account_request", "upload_first", std::string(1, '\x60') + siteMessages);
  Put("account_request", "bad_length", std::string("\x01\x07\0\0\0\xb7\0\0\0", 9));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: fuzz_seed_writer OUT SOURCE_TREE\n");
    return 2;
  }
  out_root = argv[1];
  WritePeSeeds(argv[2]);
  WriteZipSeeds();
  WriteXmlSeeds();
  WriteRegistrySeeds();
  WriteRecordSeeds();
  WriteTextSeeds();
  WriteAccountSeeds();
  return 0;
}
