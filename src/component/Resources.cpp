#include "component/Resources.h"

#include <elf.h>

#include <cstring>

#include "component/ModuleInfo.h"
#include "component/Registry.h"
#include "component/TypeLibrary.h"
#include "platform/Error.h"
#include "platform/FileIo.h"

namespace kadrelle::com {

namespace {

constexpr char kMagic[8] = {'K', 'R', 'S', 'R', 'C', '0', '0', '1'};

Error badFormat(const std::string& what) {
  return Error(321, "Invalid file format: " + what);
}

class Writer {
 public:
  void u16(std::uint16_t v) {
    for (int i = 0; i < 2; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  void u32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  void bytes(std::span<const std::uint8_t> b) { out.insert(out.end(), b.begin(), b.end()); }
  void text(std::string_view s) {
    u32(static_cast<std::uint32_t>(s.size()));
    out.insert(out.end(), s.begin(), s.end());
  }
  std::vector<std::uint8_t> out;
};

class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> data) : data_(data) {}
  bool atEnd() const { return at_ == data_.size(); }
  std::span<const std::uint8_t> bytes(std::size_t n) {
    if (n > data_.size() - at_) throw badFormat("truncated data");
    auto b = data_.subspan(at_, n);
    at_ += n;
    return b;
  }
  std::uint32_t number(std::size_t n) {
    std::uint32_t v = 0;
    auto b = bytes(n);
    for (std::size_t i = 0; i < n; ++i) v |= static_cast<std::uint32_t>(b[i]) << (8 * i);
    return v;
  }
  std::uint16_t u16() { return static_cast<std::uint16_t>(number(2)); }
  std::uint32_t u32() { return number(4); }
  std::string text() {
    auto b = bytes(u32());
    return std::string(b.begin(), b.end());
  }
  void align4() { bytes((4 - at_ % 4) % 4); }

 private:
  std::span<const std::uint8_t> data_;
  std::size_t at_ = 0;
};

std::vector<std::uint8_t> identifierList(const std::array<Guid, 5>& ids) {
  Writer w;
  w.u32(80);
  for (const auto& id : ids) w.bytes(id.bytes());
  return w.out;
}

// The toolbox picture, top row first: W white, G grey frame, K black inner edge, Y yellow, R dark
// red glyph and bar.
constexpr const char* kToolboxPicture[15] = {
    "WWWWWWWWWWWWWWWW",  //
    "WGGGGGGGGGGGGGGW",  //
    "WGKKKKKKKKKKKKGW",  //
    "WGKYYYYYYYYYYYGW",  //
    "WGKYRYYRYRRRRYGW",  //
    "WGKYRYRYYYYYYYGW",  //
    "WGKYRRYYYYYYYYGW",  //
    "WGKYRYRYYYYYYYGW",  //
    "WGKYRYYRYYYYYYGW",  //
    "WGKYYYYYYYYYYYGW",  //
    "WGKYYYYYYYYYYYGW",  //
    "WGKYYYYYYYYYYYGW",  //
    "WGKYYYYYYYYYYYGW",  //
    "WGGGGGGGGGGGGGGW",  //
    "WWWWWWWWWWWWWWWW",  //
};

// The 20 static colours of the system palette (red, green, blue).
constexpr std::uint8_t kPalette[20][3] = {
    {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
    {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
    {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
    {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
};

std::vector<std::uint8_t> toolboxBitmap() {
  Writer w;
  w.u32(40);  // header size
  w.u32(16);  // width
  w.u32(15);  // height: positive, rows bottom-up
  w.u16(1);   // planes
  w.u16(8);   // bits per pixel
  w.u32(0);   // no compression
  w.u32(16 * 15);
  w.u32(0);
  w.u32(0);
  w.u32(20);  // colours used
  w.u32(0);
  for (const auto& c : kPalette) {
    const std::uint8_t quad[4] = {c[2], c[1], c[0], 0};
    w.bytes(quad);
  }
  for (int row = 14; row >= 0; --row) {
    for (int x = 0; x < 16; ++x) {
      switch (kToolboxPicture[row][x]) {
        case 'W':
          w.out.push_back(19);
          break;
        case 'G':
          w.out.push_back(12);
          break;
        case 'K':
          w.out.push_back(0);
          break;
        case 'Y':
          w.out.push_back(15);
          break;
        default:
          w.out.push_back(1);
          break;
      }
    }
  }
  return w.out;
}

}  // namespace

std::vector<std::uint8_t> packResources(const std::vector<Resource>& resources) {
  Writer w;
  w.bytes(std::span(reinterpret_cast<const std::uint8_t*>(kMagic), sizeof kMagic));
  for (const auto& r : resources) {
    w.text(r.type);
    w.text(r.name);
    w.u32(static_cast<std::uint32_t>(r.data.size()));
    w.bytes(r.data);
    while (w.out.size() % 4) w.out.push_back(0);
  }
  return w.out;
}

std::vector<Resource> unpackResources(std::span<const std::uint8_t> section) {
  Reader r(section);
  auto magic = r.bytes(sizeof kMagic);
  if (std::memcmp(magic.data(), kMagic, sizeof kMagic) != 0) throw badFormat("no resource magic");
  std::vector<Resource> out;
  while (!r.atEnd()) {
    Resource res;
    res.type = r.text();
    res.name = r.text();
    auto data = r.bytes(r.u32());
    res.data.assign(data.begin(), data.end());
    r.align4();
    out.push_back(std::move(res));
  }
  return out;
}

namespace {

constexpr std::uintmax_t kMaxModuleBytes = std::uintmax_t{1} << 30;

// A 64-bit little-endian ELF file read whole, its sections found by name.
class ElfFile {
 public:
  explicit ElfFile(const std::string& path) : path_(path) {
    // Through the checked reader: a folder or a device is refused with the system's reason
    // instead of being sized by seeking.
    file_ = readFileCapped(path, kMaxModuleBytes);
    if (file_.size() < sizeof eh_) throw fail("not an ELF file");
    std::memcpy(&eh_, file_.data(), sizeof eh_);
    if (std::memcmp(eh_.e_ident, ELFMAG, SELFMAG) != 0) throw fail("not an ELF file");
    if (eh_.e_ident[EI_CLASS] != ELFCLASS64 || eh_.e_ident[EI_DATA] != ELFDATA2LSB)
      throw fail("not a 64-bit little-endian ELF file");
    if (eh_.e_shentsize != sizeof(Elf64_Shdr) || eh_.e_shoff > file_.size() ||
        eh_.e_shnum > (file_.size() - eh_.e_shoff) / sizeof(Elf64_Shdr) ||
        eh_.e_shstrndx >= eh_.e_shnum)
      throw fail("bad section headers");
  }

  Error fail(const char* why) const { return badFormat(path_ + ": " + why); }
  std::size_t count() const { return eh_.e_shnum; }
  Elf64_Shdr header(std::size_t i) const {
    Elf64_Shdr sh;
    if (i >= eh_.e_shnum) throw fail("bad section index");
    std::memcpy(&sh, file_.data() + eh_.e_shoff + i * sizeof sh, sizeof sh);
    return sh;
  }
  std::span<const std::uint8_t> contents(const Elf64_Shdr& sh) const {
    if (sh.sh_type == SHT_NOBITS || sh.sh_offset > file_.size() ||
        sh.sh_size > file_.size() - sh.sh_offset)
      throw fail("bad section");
    return {reinterpret_cast<const std::uint8_t*>(file_.data()) + sh.sh_offset, sh.sh_size};
  }
  // The zero-terminated text at an offset of a string table.
  static std::string_view text(std::span<const std::uint8_t> table, std::size_t at) {
    if (at >= table.size()) return {};
    const char* p = reinterpret_cast<const char*>(table.data()) + at;
    return std::string_view(p, strnlen(p, table.size() - at));
  }
  // The first section of that name or type.
  const Elf64_Shdr* find(std::string_view name, std::uint32_t type = SHT_NULL) {
    auto names = contents(header(eh_.e_shstrndx));
    for (std::size_t i = 0; i < count(); ++i) {
      found_ = header(i);
      if (type != SHT_NULL ? found_.sh_type == type : text(names, found_.sh_name) == name)
        return &found_;
    }
    return nullptr;
  }

 private:
  std::string path_;
  std::string file_;  // the bytes, read whole
  Elf64_Ehdr eh_;
  Elf64_Shdr found_;
};

}  // namespace

std::vector<Resource> readModuleResources(const std::string& path) {
  ElfFile elf(path);
  const Elf64_Shdr* section = elf.find(kResourceSection);
  if (!section) throw elf.fail("no resource section");
  return unpackResources(elf.contents(*section));
}

std::vector<std::string> readModuleExports(const std::string& path) {
  ElfFile elf(path);
  const Elf64_Shdr* found = elf.find({}, SHT_DYNSYM);
  if (!found) throw elf.fail("no dynamic symbol table");
  const Elf64_Shdr dynsym = *found;
  auto symbols = elf.contents(dynsym);
  auto names = elf.contents(elf.header(dynsym.sh_link));
  std::vector<std::string> exports;
  for (std::size_t at = 0; at + sizeof(Elf64_Sym) <= symbols.size(); at += sizeof(Elf64_Sym)) {
    Elf64_Sym sym;
    std::memcpy(&sym, symbols.data() + at, sizeof sym);
    const int bind = ELF64_ST_BIND(sym.st_info);
    if (sym.st_shndx != SHN_UNDEF && (bind == STB_GLOBAL || bind == STB_WEAK))
      exports.emplace_back(ElfFile::text(names, sym.st_name));
  }
  return exports;
}

const Resource* findResource(const std::vector<Resource>& resources, std::string_view type,
                             std::string_view name) {
  for (const auto& r : resources)
    if (r.type == type && r.name == name) return &r;
  return nullptr;
}

std::vector<std::uint8_t> VersionBlock::pack() const {
  Writer w;
  auto ms = [](const std::array<std::uint16_t, 4>& v) {
    return static_cast<std::uint32_t>(v[0]) << 16 | v[1];
  };
  auto ls = [](const std::array<std::uint16_t, 4>& v) {
    return static_cast<std::uint32_t>(v[2]) << 16 | v[3];
  };
  for (std::uint32_t v :
       {0xFEEF04BDu, 0x00010000u, ms(fileVersion), ls(fileVersion), ms(productVersion),
        ls(productVersion), 0x3Fu, flags, os, type, 0u, 0u, 0u})
    w.u32(v);
  w.u16(language);
  w.u16(codePage);
  w.u32(static_cast<std::uint32_t>(strings.size()));
  for (const auto& [key, value] : strings) {
    w.text(key);
    w.text(value);
  }
  return w.out;
}

VersionBlock VersionBlock::unpack(std::span<const std::uint8_t> data) {
  Reader r(data);
  if (r.u32() != 0xFEEF04BD) throw badFormat("no version signature");
  r.u32();
  VersionBlock b;
  auto split = [&](std::array<std::uint16_t, 4>& v) {
    std::uint32_t high = r.u32(), low = r.u32();
    v = {static_cast<std::uint16_t>(high >> 16), static_cast<std::uint16_t>(high),
         static_cast<std::uint16_t>(low >> 16), static_cast<std::uint16_t>(low)};
  };
  split(b.fileVersion);
  split(b.productVersion);
  r.u32();
  b.flags = r.u32();
  b.os = r.u32();
  b.type = r.u32();
  r.bytes(12);
  b.language = r.u16();
  b.codePage = r.u16();
  for (std::uint32_t n = r.u32(); n > 0; --n) {
    std::string key = r.text();
    b.strings.emplace_back(std::move(key), r.text());
  }
  return b;
}

const std::string* VersionBlock::find(std::string_view key) const {
  for (const auto& [k, v] : strings)
    if (k == key) return &v;
  return nullptr;
}

VersionBlock moduleVersionBlock() {
  VersionBlock b;
  b.fileVersion = b.productVersion = kFileVersion;
  b.os = 4;
  b.type = 2;
  b.language = 0x0409;
  b.codePage = 0x04B0;
  b.strings = {{"CompanyName", "Quarnel"},   {"ProductName", "Kadrelle"},
               {"FileVersion", "1.00.0124"}, {"ProductVersion", "1.00.0124"},
               {"InternalName", "Kadrelle"}, {"OriginalFilename", "Kadrelle.ocx"},
               {"OLESelfRegister", ""}};
  return b;
}

std::vector<Resource> moduleResources() {
  const std::string idl = printIdl();
  const std::string registration = RegistrationData::ofLibrary().text();
  return {
      {"VERSION", "1", moduleVersionBlock().pack()},
      {"TYPELIB", "1", std::vector<std::uint8_t>(idl.begin(), idl.end())},
      {"CUSTOM", "_IID_KADRELLE", identifierList(kInterfaceIds)},
      {"CUSTOM", "_SRCIID_KADRELLE", identifierList(kEventInterfaceIds)},
      {"REGDATA", "1", std::vector<std::uint8_t>(registration.begin(), registration.end())},
      {"BITMAP", "30000", toolboxBitmap()},
  };
}

}  // namespace kadrelle::com
