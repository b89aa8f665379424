// The ZIP writer: what unzip and Python's zipfile read back from it (folders,
// small entries, entries compressed in parallel blocks and joined from
// pieces), and the clear error past the format's 32-bit sizes.
#include "export/writers/ZipArchive.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "tests/export/run_tool.h"

namespace {

namespace fs = std::filesystem;

// Text that compresses like a sheet's rows, different in every block.
std::string Rows(int count) {
  std::string out;
  for (int i = 0; i < count; ++i)
    out += "<row r=\"" + std::to_string(i + 1) + "\"><c r=\"A" + std::to_string(i + 1) + "\"><v>" +
           std::to_string(i * 7919 % 10007) + "</v></c></row>\r\n";
  return out;
}

TEST(ZipArchive, CrcIsZipCrc) {
  EXPECT_EQ(TZipArchive::ZipCRC32("123456789"), 0xCBF43926u);
  EXPECT_EQ(TZipArchive::ZipCRC32(""), 0u);
}

// Every way of compressing gives data that inflates to the input with the
// right checksum: one call, blocks on the caller's thread, blocks on workers,
// and a head piece joined in front of the body.
TEST(ZipArchive, UnzipAndPythonReadEveryEntry) {
  if (!HasProgram("unzip")) GTEST_SKIP() << "unzip is missing";
  const fs::path folder = FreshFolder("zip_archive");
  const fs::path file = folder / "test.zip";
  const std::string body = Rows(20000);
  const std::string head = "<?xml version=\"1.0\"?>\r\n<sheet>";
  {
    TFileStream out(Utf8ToString(file.string()), fmCreate);
    TZipArchive zip(&out, 6, 3);
    zip.AddFolder("xl");
    zip.AddFile("xl/small.xml", "<a/>");
    zip.AddFile("xl/empty.xml", "");
    for (TDeflatePool* pool : {static_cast<TDeflatePool*>(nullptr), zip.Pool()}) {
      TMemoryStream headData, bodyData;
      TZipDeflater headDeflater(&headData, pool, 6);
      headDeflater.Write(head);
      const TZipData headInfo = headDeflater.Finish(false);
      TZipDeflater bodyDeflater(&bodyData, pool, 6, 4096);
      for (size_t at = 0; at < body.size(); at += 1000) bodyDeflater.Write(std::string_view(body).substr(at, 1000));
      const TZipData bodyInfo = bodyDeflater.Finish(true);
      EXPECT_EQ(bodyInfo.Size, body.size());
      EXPECT_LT(bodyInfo.CompressedSize, body.size() / 4);
      zip.AddCompressed(pool == nullptr ? "xl/inline.xml" : "xl/parallel.xml",
                        {{&headData, headInfo}, {&bodyData, bodyInfo}});
    }
    zip.Close();
    EXPECT_EQ(zip.GetCount(), 5);
  }
  const ToolResult test = RunTool("unzip -t '" + file.string() + "' 2>&1");
  EXPECT_EQ(test.ExitCode, 0) << test.Output;
  EXPECT_NE(test.Output.find("No errors detected"), std::string::npos) << test.Output;

  const std::string script =
      "import zipfile,sys,hashlib\n"
      "z=zipfile.ZipFile(sys.argv[1])\n"
      "for i in z.infolist(): print(i.filename, i.is_dir(), i.external_attr, len(z.read(i)), "
      "hashlib.md5(z.read(i)).hexdigest())\n";
  const ToolResult list = RunPython(folder, script, file);
  ASSERT_EQ(list.ExitCode, 0) << list.Output;
  const std::string whole = head + body;
  std::ofstream(folder / "whole.bin", std::ios::binary) << whole;
  const std::string md5 = RunTool("md5sum '" + (folder / "whole.bin").string() + "' | cut -c1-32").Output.substr(0, 32);
  EXPECT_EQ(list.Output, "xl/ True 16 0 d41d8cd98f00b204e9800998ecf8427e\n"
                         "xl/small.xml False 0 4 " + RunTool("printf '<a/>' | md5sum | cut -c1-32").Output +
                         "xl/empty.xml False 0 0 d41d8cd98f00b204e9800998ecf8427e\n"
                         "xl/inline.xml False 0 " + std::to_string(whole.size()) + " " + md5 + "\n"
                         "xl/parallel.xml False 0 " + std::to_string(whole.size()) + " " + md5 + "\n");
  fs::remove_all(folder);
}

TEST(ZipArchive, PastTheSizeLimitIsAClearError) {
  TMemoryStream out;
  TZipArchive zip(&out);
  zip.SetSizeLimit(1000);
  zip.AddFile("a.xml", "small");
  try {
    zip.AddFile("b.xml", Rows(2000));  // compresses to well over 1000 bytes
    FAIL() << "no error";
  } catch (const EZipError& e) {
    EXPECT_EQ(e.Message(),
              u"The package passes 4 GiB, more than a ZIP file without ZIP64 can hold: \"b.xml\" was not written");
  }
}

}  // namespace
