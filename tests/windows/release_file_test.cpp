// The setup as it is shipped: a header without time stamp, symbols or debug
// sections and with a right checksum, and the version resource that
// Explorer and deployment tools read.
#include <windows.h>
#include <imagehlp.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/product_version.h"
#include "support/scratch.h"
#include "support/setup_process.h"

namespace {

TEST(ReleaseFile, HasNoTimeStampNoSymbolsAndARightChecksum) {
  const std::string image = ReadFileBytes(SetupProgram());
  ASSERT_GT(image.size(), sizeof(IMAGE_DOS_HEADER));
  IMAGE_DOS_HEADER dos;
  std::memcpy(&dos, image.data(), sizeof dos);
  ASSERT_EQ(dos.e_magic, IMAGE_DOS_SIGNATURE);
  ASSERT_LE(static_cast<std::size_t>(dos.e_lfanew) + sizeof(IMAGE_NT_HEADERS64), image.size());
  IMAGE_NT_HEADERS64 nt;
  std::memcpy(&nt, image.data() + dos.e_lfanew, sizeof nt);
  ASSERT_EQ(nt.Signature, IMAGE_NT_SIGNATURE);

  // No moment of building, unless the build was given one.
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  EXPECT_EQ(nt.FileHeader.TimeDateStamp, epoch ? std::strtoul(epoch, nullptr, 10) : 0ul);
  EXPECT_EQ(nt.FileHeader.PointerToSymbolTable, 0u);
  EXPECT_EQ(nt.FileHeader.NumberOfSymbols, 0u);
  const std::size_t sections = dos.e_lfanew + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                               nt.FileHeader.SizeOfOptionalHeader;
  for (unsigned i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
    IMAGE_SECTION_HEADER section;
    ASSERT_LE(sections + (i + 1) * sizeof section, image.size());
    std::memcpy(&section, image.data() + sections + i * sizeof section, sizeof section);
    const std::string name(reinterpret_cast<const char*>(section.Name),
                           strnlen(reinterpret_cast<const char*>(section.Name), 8));
    // Debug sections have long names, kept in the symbol table's strings as "/N".
    EXPECT_NE(name.rfind(".debug", 0), 0u) << name;
    EXPECT_NE(name.rfind('/', 0), 0u) << name;
  }

  DWORD stored = 0, computed = 0;
  ASSERT_EQ(MapFileAndCheckSumA(SetupProgram().c_str(), &stored, &computed), CHECKSUM_SUCCESS);
  EXPECT_NE(computed, 0u);
  EXPECT_EQ(stored, computed);
}

class VersionResource {
 public:
  explicit VersionResource(const std::string& file) {
    DWORD ignored = 0;
    data_.resize(GetFileVersionInfoSizeA(file.c_str(), &ignored));
    if (!data_.empty() && !GetFileVersionInfoA(file.c_str(), 0, data_.size(), &data_[0])) {
      data_.clear();
    }
  }
  bool found() const { return !data_.empty(); }
  const void* Value(const std::string& path, UINT* size) {
    void* value = nullptr;
    *size = 0;
    if (data_.empty() || !VerQueryValueA(&data_[0], path.c_str(), &value, size)) return nullptr;
    return value;
  }
  std::string Text(const char* name) {
    UINT size = 0;
    const void* value = Value(std::string("\\StringFileInfo\\040704E4\\") + name, &size);
    return value == nullptr ? "<missing>" : std::string(static_cast<const char*>(value));
  }

 private:
  std::string data_;
};

TEST(ReleaseFile, VersionResourceNamesProductCompanyAndVersion) {
  VersionResource resource(SetupProgram());
  ASSERT_TRUE(resource.found());

  UINT size = 0;
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(resource.Value("\\", &size));
  ASSERT_NE(fixed, nullptr);
  ASSERT_GE(size, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  const DWORD major_minor = MAKELONG(PELLUMARA_VERSION_MINOR, PELLUMARA_VERSION_MAJOR);
  EXPECT_EQ(fixed->dwFileVersionMS, major_minor);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, major_minor);
  EXPECT_EQ(fixed->dwProductVersionLS, 0u);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

  const auto* translation =
      static_cast<const WORD*>(resource.Value("\\VarFileInfo\\Translation", &size));
  ASSERT_NE(translation, nullptr);
  ASSERT_EQ(size, 4u);
  EXPECT_EQ(translation[0], 0x0407);  // German (Germany)
  EXPECT_EQ(translation[1], 1252);

  EXPECT_EQ(resource.Text("FileVersion"), PELLUMARA_FILE_VERSION_TEXT);
  EXPECT_EQ(resource.Text("ProductVersion"), PELLUMARA_VERSION_TEXT);
  EXPECT_EQ(resource.Text("ProductName"), "Pellumara 64");
  EXPECT_EQ(resource.Text("CompanyName"), "Kestrelwood");
  EXPECT_EQ(resource.Text("FileDescription"), "Pellumara 64-bit Setup");
  EXPECT_EQ(resource.Text("OriginalFilename"), "pellumara64-setup.exe");
  EXPECT_EQ(resource.Text("InternalName"), "pellumara64-setup");
  EXPECT_NE(resource.Text("LegalCopyright").find("Kestrelwood"), std::string::npos);
}

}  // namespace
