// The module file Kadrelle.ocx as a host meets it: exports, resources, registration, creation.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "Fixture.h"
#include "component/ModuleInfo.h"
#include "component/ModuleLoader.h"
#include "component/Registry.h"
#include "component/Resources.h"
#include "kadrelle_test/Checks.h"
#include "platform/Error.h"

namespace kadrelle::com {
namespace {

namespace fs = std::filesystem;
const std::string kModule = fs::canonical(KADRELLE_MODULE).string();

using kadrelle::test::throwsError;
using testing::_;

// A temporary home: the registry lives in it for the test's length.
class Module : public testing::Test {
 protected:
  Module() { setenv("XDG_CONFIG_HOME", home.c_str(), 1); }
  ~Module() override { unsetenv("XDG_CONFIG_HOME"); }

  kadrelle::test::TempFolder temp{"kadrelle-home"};
  std::string home = temp.path.string();
};

TEST_F(Module, ExportsAndResourcesReadBackFromTheFile) {
  auto exports = readModuleExports(kModule);
  std::sort(exports.begin(), exports.end());
  EXPECT_EQ(exports, (std::vector<std::string>{"DllCanUnloadNow", "DllGetClassObject",
                                               "DllRegisterServer", "DllUnregisterServer"}));
  const auto resources = readModuleResources(kModule);
  auto resource = [&](const char* type, const char* name) {
    const Resource* r = findResource(resources, type, name);
    EXPECT_TRUE(r) << type << " " << name;
    return r ? r->data : std::vector<std::uint8_t>{};
  };
  VersionBlock v = VersionBlock::unpack(resource("VERSION", "1"));
  EXPECT_EQ(v.fileVersion, (std::array<std::uint16_t, 4>{1, 0, 0, 124}));
  EXPECT_EQ(v.productVersion, v.fileVersion);
  EXPECT_EQ(std::tuple(v.flags, v.os, v.type, v.language, v.codePage),
            std::tuple(0u, 4u, 2u, std::uint16_t{0x0409}, std::uint16_t{0x04B0}));
  const std::vector<std::pair<std::string, std::string>> strings = {
      {"CompanyName", "Quarnel"},   {"ProductName", "Kadrelle"},
      {"FileVersion", "1.00.0124"}, {"ProductVersion", "1.00.0124"},
      {"InternalName", "Kadrelle"}, {"OriginalFilename", "Kadrelle.ocx"},
      {"OLESelfRegister", ""}};
  EXPECT_EQ(v.strings, strings);
  EXPECT_EQ(v.find("ProductVersion"), &v.strings[3].second);
  // A count of 80 bytes, then the five identifiers.
  for (auto [name, ids] :
       {std::pair{"_IID_KADRELLE", &kInterfaceIds}, {"_SRCIID_KADRELLE", &kEventInterfaceIds}}) {
    std::vector<std::uint8_t> want{80, 0, 0, 0};
    for (const Guid& id : *ids) {
      const auto bytes = id.bytes();
      want.insert(want.end(), bytes.begin(), bytes.end());
    }
    EXPECT_EQ(resource("CUSTOM", name), want) << name;
  }
  const auto reg = resource("REGDATA", "1"), idl = resource("TYPELIB", "1");
  EXPECT_EQ(RegistrationData::parse(std::string(reg.begin(), reg.end())).text(),
            RegistrationData::ofLibrary().text());
  EXPECT_EQ(std::string(idl.begin(), idl.end()), printIdl());

  // The toolbox bitmap: 16 x 15 at 8 bits, 20 colours, a white edge and a grey frame.
  const auto b = resource("BITMAP", "30000");
  ASSERT_EQ(b.size(), 40u + 20 * 4 + 16 * 15);
  auto u32 = [&](std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | b[at + 3] << 24;
  };
  EXPECT_EQ(std::tuple(u32(4), u32(8), b[14], u32(32)), std::tuple(16, 15, 8, 20));
  auto pixel = [&](int x, int y) {  // from the top left, as 0xRRGGBB
    int index = b[120 + (14 - y) * 16 + x];
    return b[40 + 4 * index + 2] << 16 | b[40 + 4 * index + 1] << 8 | b[40 + 4 * index];
  };
  int yellow = 0, darkRed = 0;
  for (int y = 0; y < 15; ++y) {
    for (int x = 0; x < 16; ++x) {
      const bool edge = x == 0 || x == 15 || y == 0 || y == 14;
      const bool frame = !edge && (x == 1 || x == 14 || y == 1 || y == 13);
      const bool inner = !edge && !frame && (x == 2 || y == 2);
      const int expected = edge ? 0xFFFFFF : frame ? 0x808080 : inner ? 0 : pixel(x, y);
      EXPECT_EQ(pixel(x, y), expected) << x << "," << y;
      yellow += pixel(x, y) == 0xFFFF00;
      darkRed += pixel(x, y) == 0x800000;
    }
  }
  EXPECT_TRUE(yellow > darkRed && darkRed > 4) << yellow << " yellow, dark red " << darkRed;
}

TEST_F(Module, AFolderOrAMissingFileIsRefusedByName) {
  EXPECT_THAT([&] { readModuleResources(home); },
              throwsError(75, home + ": cannot read: Is a directory"));
  EXPECT_THAT([&] { readModuleExports(home + "/none.ocx"); }, throwsError(53));
}

TEST_F(Module, RegisterCreateThroughTheRegistryAndUnregister) {
  // An entry of someone else's stays through both.
  fs::create_directories(home + "/kadrelle");
  std::ofstream(Registry::defaultPath()) << "Other\\Key=kept\n";

  registerServer(kModule);
  const std::string once = kadrelle::test::readText(Registry::defaultPath());
  registerServer(kModule);
  EXPECT_EQ(kadrelle::test::readText(Registry::defaultPath()), once);
  auto entries = Registry().read();
  const std::string cls = "CLSID\\" + CLSID_Kadrelle.text();
  EXPECT_EQ(entries[cls + "\\InprocServer"], kModule);
  EXPECT_EQ(entries[cls + "\\ProgID"], "KadrelleCtl.Kadrelle");
  EXPECT_EQ(entries[cls + "\\MiscStatus"], std::to_string(0x20191));
  EXPECT_EQ(entries[cls + "\\ToolboxBitmap"], kModule + ",30000");
  EXPECT_EQ(entries["KadrelleCtl.Kadrelle\\CLSID"], CLSID_Kadrelle.text());
  EXPECT_EQ(entries["TypeLib\\" + kLibrary.id.text() + "\\1.4"], "Quarnel Kadrelle");
  for (const auto& id : kInterfaceIds) EXPECT_EQ(entries["Interface\\" + id.text()], "_Kadrelle");
  for (const auto& id : kEventInterfaceIds)
    EXPECT_EQ(entries["Interface\\" + id.text()], "__Kadrelle");

  test::ComponentSite s;
  {
    auto object = createObject(Registry(), "KadrelleCtl.Kadrelle", s.site, IID__Kadrelle);
    ASSERT_TRUE(object);
    test::start(*object);
    auto dual = ComPtr<_Kadrelle>::attach(static_cast<_Kadrelle*>(object.get()));
    object.get()->AddRef();
    std::string version;
    EXPECT_EQ(dual->get_VersionStr(&version), S_OK);
    EXPECT_EQ(version, "1.0.124\r\n" + fs::path(kModule).parent_path().string() + "\\Kadrelle");
    // At the root the folder keeps its separator.
    EXPECT_EQ(versionStr({kFileVersion, "/Kadrelle.ocx"}), "1.0.124\r\n/\\Kadrelle");
    EXPECT_EQ(versionStr({{2, 3, 9, 7}, "/x/Other.lib.so"}), "2.3.7\r\n/x\\Other.lib");
    // The module stays while an object of it lives.
    EXPECT_EQ(loadedModules(), 1);
    EXPECT_EQ(unloadUnusedModules(), 0);
    object.reset();
    EXPECT_EQ(unloadUnusedModules(), 0);
  }
  EXPECT_EQ(unloadUnusedModules(), 1);
  EXPECT_EQ(loadedModules(), 0);

  unregisterServer(kModule);
  unregisterServer(kModule);
  EXPECT_EQ(Registry().read(), (std::map<std::string, std::string>{{"Other\\Key", "kept"}}));
  EXPECT_THAT([&] { createObject(Registry(), "KadrelleCtl.Kadrelle", s.site, IID_IUnknown); },
              throwsError(429));
}

TEST_F(Module, UntrustedRegistryOrModuleIsRefused) {
  const std::string copy = home + "/Kadrelle.ocx";
  fs::copy_file(kModule, copy);
  registerServer(copy);
  const std::string registry = Registry::defaultPath();
  test::ComponentSite s;
  auto create = [&] { createObject(Registry(), "KadrelleCtl.Kadrelle", s.site, IID_IUnknown); };

  chmod(registry.c_str(), 0666);
  EXPECT_THAT(create, throwsError(70, "Permission denied: " + registry + " is writable by others"));
  EXPECT_THAT([&] { registerServer(kModule); }, throwsError(70));
  chmod(registry.c_str(), 0644);

  chmod(copy.c_str(), 0775);
  EXPECT_THAT(create, throwsError(_, "Permission denied: " + copy + " is writable by its group"));
  chmod(copy.c_str(), 0755);

  if (geteuid() == 0) {
    ASSERT_EQ(chown(registry.c_str(), 65534, 65534), 0);
    EXPECT_THAT(create, throwsError(_, "Permission denied: " + registry +
                                           " is owned by another user (uid 65534)"));
    ASSERT_EQ(chown(registry.c_str(), 0, 0), 0);
  }

  // A folder above the module that others may change (unless sticky, as /tmp is) is refused,
  // whatever symbolic link leads there.
  fs::create_directories(home + "/open");
  fs::rename(copy, home + "/open/Kadrelle.ocx");
  fs::create_symlink(home + "/open/Kadrelle.ocx", copy);
  chmod((home + "/open").c_str(), 0777);
  const std::string open = "Permission denied: folder " + home + "/open is writable by others";
  EXPECT_THAT([&] { registerServer(copy); }, throwsError(70, open));
  EXPECT_THAT(create, throwsError(_, open));
  chmod((home + "/open").c_str(), 01777);
  EXPECT_NO_THROW(registerServer(copy));
}

// A registry that is not a regular file of key=value lines, or too large, is refused by name.
TEST_F(Module, OddRegistryFilesAreRefusedByNameAndLine) {
  const std::string registry = Registry::defaultPath();
  fs::create_directories(home + "/kadrelle");
  std::ofstream(registry) << "# comment\nA=1\n\nno equals sign\n";
  EXPECT_THAT([] { Registry().read(); },
              throwsError(321, "Invalid registry file " + registry +
                                   ", line 4: expected key=value, found \"no equals sign\""));
  std::ofstream(registry) << std::string(Registry::kMaxFileSize + 1, '#');
  EXPECT_THAT([] { Registry().read(); }, throwsError(321));
  fs::remove(registry);
  ASSERT_EQ(mkfifo(registry.c_str(), 0600), 0);
  EXPECT_THAT([] { Registry().read(); },
              throwsError(75, registry + ": cannot read: not a regular file"));
}

// Programs registering at the same time take turns: every one's entries stay.
TEST_F(Module, ConcurrentRegistrationsLoseNothing) {
  constexpr int kWriters = 4, kRounds = 15;
  std::vector<pid_t> writers;
  for (int w = 0; w < kWriters; ++w) {
    if (writers.emplace_back(fork()) != 0) continue;
    RegistrationData data = RegistrationData::ofLibrary();
    for (int round = 0; round < kRounds; ++round) {
      data.library = "W" + std::to_string(w * kRounds + round);
      try {
        Registry().registerModule(data, "/m.ocx");
      } catch (...) {
        _exit(1);
      }
    }
    _exit(0);
  }
  for (pid_t pid : writers) {
    int status = -1;
    waitpid(pid, &status, 0);
    EXPECT_EQ(status, 0);
  }
  const auto entries = Registry().read();
  for (int i = 0; i < kWriters * kRounds; ++i)
    EXPECT_TRUE(entries.contains("W" + std::to_string(i) + ".Kadrelle\\CLSID")) << i;
}

}  // namespace
}  // namespace kadrelle::com
