// The descriptor as the host reads it, through the built library.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "host/protocol.h"
#include "tools/host/host_kernel.h"

namespace {

PladiFn LoadLibraryPladi(void** handle) {
  *handle = dlopen(TRNKV_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  if (*handle == nullptr) return nullptr;
  return reinterpret_cast<PladiFn>(dlsym(*handle, "PLADI"));
}

// The handlers are addresses: 4 bytes at 410 and 414 on the 32-bit builds, as
// the host's contract has them, 8 bytes at 410 and 418 on 64-bit ones, which
// moves everything behind them by 8. Written out here per build, apart from
// the protocol's names, so that a change to either shows.
#if defined(__x86_64__)
constexpr int kHandlers[2] = {410, 418};
constexpr int kMoved = 8;
#else
constexpr int kHandlers[2] = {410, 414};
constexpr int kMoved = 0;
#endif

TEST(Descriptor, LibraryLayoutAsTheHostReadsIt) {
  void* handle;
  PladiFn pladi = LoadLibraryPladi(&handle);
  ASSERT_NE(pladi, nullptr);
  const DriverLink d = ConnectDriver(pladi);
  const uint8_t* p = d.descriptor;

  const char name[] = "Kalvo 7410/7420 Wide Format [Ver. 3.1.0] ADI 4.3 ";
  ASSERT_EQ(std::strlen(name), 49u);
  EXPECT_EQ(0, std::memcmp(p, name, 49));
  for (int i = 49; i < 81 + 329; ++i) ASSERT_EQ(p[i], 0) << "offset " << i;
  EXPECT_EQ(ReadAddress(p, kHandlers[0]), EntryAddress(d.control));
  EXPECT_EQ(ReadAddress(p, kHandlers[1]), EntryAddress(d.graphics));
  EXPECT_NE(d.control, nullptr);
  EXPECT_NE(d.control, d.graphics);
  EXPECT_EQ(ReadU16(p, 418 + kMoved), 4);
  for (int i = 420; i < 432; ++i) EXPECT_EQ(p[i + kMoved], 0);
  EXPECT_EQ(ReadU16(p, 432 + kMoved), 3);
  EXPECT_STREQ(reinterpret_cast<const char*>(p + 434 + kMoved), "$ACADPLNAME$");
  EXPECT_STREQ(reinterpret_cast<const char*>(p + 449 + kMoved), "Microsoft Windows Win32");
  EXPECT_EQ(ReadU16(p, 481 + kMoved), 6);
  EXPECT_STREQ(reinterpret_cast<const char*>(p + 483 + kMoved), "14.0-1");
  EXPECT_STREQ(reinterpret_cast<const char*>(p + 504 + kMoved), "7410/7420 Wide Format");

  // Paper entry i of model m at 480 + 80 (44m + i).
  auto paper = [p](int m, int i) { return p + 480 + kMoved + 80 * (44 * m + i); };
  EXPECT_STREQ(reinterpret_cast<const char*>(paper(0, 1)), "30-Arch(30\")    ");
  EXPECT_EQ(ReadF64(paper(0, 2), 56), 48.0);
  EXPECT_EQ(ReadF64(paper(0, 2), 64), 36.0);
  EXPECT_STREQ(reinterpret_cast<const char*>(paper(0, 43)),
               "Tamanho especializado de largura Esp. A2 435mm");
  EXPECT_EQ(ReadU16(paper(0, 43), 72), 1);
  EXPECT_EQ(ReadU16(paper(0, 43), 74), 15000);
  EXPECT_EQ(paper(0, 44)[0], 0) << "the list of model 0 ends at entry 44";

  // The same address every call; the service table is replaced each time.
  EXPECT_EQ(pladi(HostTableAddress(), 0), pladi(0, 0));
  dlclose(handle);
}

}  // namespace

namespace {

std::string FileBytes(const char* path) {
  std::string bytes;
  if (std::FILE* f = std::fopen(path, "rb")) {
    char chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.append(chunk, n);
    std::fclose(f);
  }
  return bytes;
}

// The host's text window shows the driver's texts in Windows-1252.
TEST(Descriptor, TextsAreStoredInWindows1252) {
  const std::string library = FileBytes(TRNKV_LIBRARY);
  ASSERT_FALSE(library.empty());
  EXPECT_NE(library.find("Vers\xe3o inv\xe1lida de Auto CAD."), std::string::npos);
  EXPECT_NE(library.find("Usar configura\xe7\xe3o da plotadora "), std::string::npos);
  EXPECT_EQ(library.find("Vers\xc3\xa3o"), std::string::npos) << "no UTF-8 text";
}

}  // namespace
