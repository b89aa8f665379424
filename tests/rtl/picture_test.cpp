// Pictures of graphic fields: every bitmap layout the seeds hold (written by
// corpus/picture/make_picture_seeds.py from the bytes the format defines)
// gives the drawn pixels; malformed and undecoded pictures are refused
// clearly; a saved BMP file is read back by Pillow.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "fuzz/picture_input.h"
#include "platform/rtl/Strings.h"

namespace {

// Beside this file; a compiler cache may hand __FILE__ over relative to the
// build folder, so the test's working folder (this folder) is the fallback.
const std::filesystem::path kCorpus = [] {
  const auto beside = std::filesystem::path(__FILE__).parent_path() / "corpus" / "picture";
  return std::filesystem::exists(beside) ? beside : std::filesystem::path("corpus") / "picture";
}();

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<Byte> Rgb(std::initializer_list<Cardinal> pixels) {
  std::vector<Byte> out;
  for (Cardinal c : pixels) out.insert(out.end(), {Byte(c >> 16), Byte(c >> 8), Byte(c)});
  return out;
}

TEST(Picture, EveryBitmapLayoutGivesItsPixels) {
  const auto colour = Rgb({0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0xFFFF00});
  const auto mono = Rgb({0xFFFFFF, 0, 0xFFFFFF, 0, 0xFFFFFF, 0});
  int pictures = 0;
  for (const auto& entry : std::filesystem::directory_iterator(kCorpus)) {
    const auto ext = entry.path().extension();
    if (ext != ".bmp" && ext != ".dib") continue;
    SCOPED_TRACE(entry.path().filename().string());
    const TPicture p = TPicture::FromBytes(ReadFile(entry.path()));
    EXPECT_EQ(p.Width(), 3);
    EXPECT_EQ(p.Height(), 2);
    const bool isMono = entry.path().filename().string().starts_with("mono");
    EXPECT_EQ(p.Rgb24(), isMono ? mono : colour);
    ++pictures;
  }
  EXPECT_GE(pictures, 10);
}

TEST(Picture, CorpusLoadsOrFailsCleanly) {
  for (const auto& entry : std::filesystem::directory_iterator(kCorpus)) {
    SCOPED_TRACE(entry.path().filename().string());
    EXPECT_EQ(CheckPictureInput(ReadFile(entry.path())), "");
  }
}

TEST(Picture, RefusesWhatItCannotDecodeWithAClearMessage) {
  struct Case {
    std::string input;
    std::u16string message;
  };
  const Case cases[] = {
      {"", u"The picture is empty"},
      {"\x89PNG\r\n\x1a\n....", u"PNG pictures are not supported; store the picture as a bitmap (BMP)"},
      {"\xFF\xD8\xFF\xE0", u"JPEG pictures are not supported; store the picture as a bitmap (BMP)"},
      {"GIF89a", u"Only bitmap (BMP) pictures are supported"},
      {"plain text", u"Unknown picture format"},
      {ReadFile(kCorpus / "bad_rle.bin"), u"Bitmap image is not valid: compressed bitmaps are not supported"},
      {ReadFile(kCorpus / "bad_huge.bin"), u"Bitmap image is not valid: too large"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input.substr(0, 8));
    try {
      (void)TPicture::FromBytes(c.input);
      ADD_FAILURE() << "accepted";
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
  EXPECT_THROW((void)TPicture::FromBytes(ReadFile(kCorpus / "bad_truncated.bin")), EInvalidGraphic);
}

TEST(Picture, KindsAndFileExtensions) {
  EXPECT_EQ(DetectGraphicKind(std::span<const Byte>()), TGraphicKind::gkUnknown);
  const std::string wmf = "\xD7\xCD\xC6\x9A";
  EXPECT_EQ(GraphicFileExtension(DetectGraphicKind({reinterpret_cast<const Byte*>(wmf.data()), wmf.size()})), u".wmf");
  EXPECT_EQ(GraphicFileExtension(TGraphicKind::gkEnhMetafile), u".emf");
  EXPECT_EQ(GraphicFileExtension(TGraphicKind::gkIcon), u".ico");
  EXPECT_EQ(GraphicFileExtension(TGraphicKind::gkBitmap), u".bmp");
  EXPECT_EQ(GraphicFileExtension(TGraphicKind::gkUnknown), u".bmp");
}

TEST(Picture, SavedBmpIsReadByPillow) {
  const std::vector<Cardinal> pixels = {0x102030, 0xFF0000, 0x00FF00, 0x0000FF, 0xABCDEF,
                                        0x000000, 0xFFFFFF, 0x808080, 0x123456, 0xFEDCBA};
  const TPicture p = TPicture::FromPixels(5, 2, pixels);  // 15-byte rows get padding
  const auto file = std::filesystem::temp_directory_path() / ("picture_test_" + std::to_string(::getpid()) + ".bmp");
  p.SaveToFile(Utf8ToString(file.string()));
  const TPicture back = TPicture::FromBytes(ReadFile(file));
  EXPECT_EQ(back.Rgb24(), p.Rgb24());
  EXPECT_EQ(back.Dib().size(), p.Dib().size());

  if (std::system("/usr/bin/python3 -c 'import PIL' 2>/dev/null") != 0) {
    std::filesystem::remove(file);
    GTEST_SKIP() << "python3-pil is not installed";
  }
  const std::string command = "/usr/bin/python3 -c \"from PIL import Image; im = Image.open('" + file.string() +
                              "').convert('RGB'); print(im.size, ' '.join('%02x%02x%02x' % c for c in im.getdata()))\"";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char line[512] = {};
  const bool got = fgets(line, sizeof line, pipe) != nullptr;
  pclose(pipe);
  std::filesystem::remove(file);
  ASSERT_TRUE(got);
  EXPECT_EQ(std::string(line), "(5, 2) 102030 ff0000 00ff00 0000ff abcdef 000000 ffffff 808080 123456 fedcba\n");
}

}  // namespace
