// Properties of the member table (the one source of the interface) and the IDL printed from it.
#include <gtest/gtest.h>

#include <map>
// GCC 12 at -O1 (the sanitizer build) reports a false maybe-uninitialized inside the std::function
// that std::regex keeps.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <regex>
#include <set>

#include "component/TypeLibrary.h"

namespace kadrelle::com {
namespace {

TEST(TypeLibrary, EachNameHasOneIdentifierFoundWithoutRegardToCase) {
  std::map<std::string, DISPID> idOf;
  std::set<std::pair<DISPID, int>> kinds;
  for (const auto& m : kMembers) {
    SCOPED_TRACE(m.name);
    EXPECT_EQ(idOf.emplace(m.name, m.id).first->second, m.id);
    EXPECT_TRUE(kinds.insert({m.id, m.kind}).second) << "kind listed twice";
    EXPECT_EQ(findMember(m.id, m.kind), &m);
    std::string upper(m.name);
    for (char& c : upper) c = static_cast<char>(std::toupper(c));
    DISPID id = 0;
    EXPECT_TRUE(findDispId(upper, id));
    EXPECT_EQ(id, m.id);
  }
  std::set<DISPID> distinct;
  for (const auto& [name, id] : idOf) EXPECT_TRUE(distinct.insert(id).second) << name;
  DISPID id = 0;
  EXPECT_FALSE(findDispId("EditorWidt", id));
  EXPECT_FALSE(findDispId("", id));
  for (std::size_t i = 0; i < kEvents.size(); ++i) EXPECT_EQ(kEvents[i].id, DISPID(i + 1));

  // Every identifier is its own; the aliases carry versions 1.0 to 1.3.
  std::set<Guid> guids{kLibrary.id};
  for (const auto& t : kTypes) guids.insert(t.id);
  guids.insert(kEventInterfaceIds.begin(), kEventInterfaceIds.end());
  EXPECT_EQ(guids.size(), 15u);
  for (int v = 0; v < 4; ++v) {
    EXPECT_EQ(kTypes[kType_Alias_v0 + v].version.minor, v);
    EXPECT_EQ(kInterfaceIds[v], kTypes[kType_Alias_v0 + v].id);
  }
  EXPECT_EQ(kInterfaceIds[4], kTypes[kType_Kadrelle_Interface].id);
  EXPECT_EQ(kEventInterfaceIds[4], kTypes[kType_Events].id);
}

std::string hex(std::int32_t id) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", static_cast<std::uint32_t>(id));
  return buf;
}

// The printed library parsed back gives the tables it was printed from, in order.
TEST(TypeLibrary, PrintedIdlParsesBackToTheTables) {
  const std::string idl = printIdl();
  EXPECT_EQ(std::count(idl.begin(), idl.end(), '{'), std::count(idl.begin(), idl.end(), '}'));
  EXPECT_EQ(idl.find("[\n  uuid("), 0u);
  for (const char* part : {"version(1.4),\n  helpstring(\"Quarnel Kadrelle\"),\n  lcid(0x00000409)",
                           "library KadrelleCtl\n{", "interface _Kadrelle : IDispatch {",
                           "typedef _Kadrelle Kadrelle___v3;", "dispinterface __Kadrelle {",
                           "coclass Kadrelle {\n    [default] interface _Kadrelle;\n"
                           "    [default, source] dispinterface __Kadrelle;"})
    EXPECT_NE(idl.find(part), std::string::npos) << part;

  const std::regex member(
      R"re(    \[id\((0x[0-9A-F]{8})\)(, prop(get|put|putref))?(, helpstring\("((?:[^"\\]|\\.)*)"\))?\]\n)re"
      R"re(    HRESULT (\w+)\(((\[out, retval\] |\[in\] |\[in, out\] )([\w.]+\*?\*?) value)?\);)re");
  const std::map<std::string, InvokeKind> kinds = {
      {"", kMethod}, {"get", kGet}, {"put", kLet}, {"putref", kSet}};
  std::size_t i = 0;
  for (std::sregex_iterator it(idl.begin(), idl.end(), member), end; it != end; ++it, ++i) {
    ASSERT_LT(i, kMembers.size());
    const auto& m = kMembers[i];
    const std::smatch& s = *it;
    SCOPED_TRACE(m.name);
    EXPECT_EQ(s[1].str(), hex(m.id));
    EXPECT_EQ(kinds.at(s[3].str()), m.kind);
    EXPECT_EQ(std::regex_replace(s[5].str(), std::regex(R"(\\(.))"), "$1"), m.help);
    EXPECT_EQ(s[6].str(), m.name);
    const std::string type(idlName(m.type));
    EXPECT_EQ(s[9].str(), m.kind == kMethod ? "" : m.kind == kGet || m.byRef ? type + "*" : type);
    EXPECT_EQ(s[8].str() == "[in, out] ", m.byRef);
  }
  EXPECT_EQ(i, kMembers.size());

  const std::regex event(R"re(    \[id\((0x[0-9A-F]{8})\)\] void (\w+)\(([^)]*)\);)re");
  i = 0;
  for (std::sregex_iterator it(idl.begin(), idl.end(), event), end; it != end; ++it, ++i) {
    ASSERT_LT(i, kEvents.size());
    const auto& e = kEvents[i];
    std::string params;
    for (const auto& p : e.params)
      params += (params.empty() ? "[in, out] " : ", [in, out] ") + std::string(idlName(p.type)) +
                "* " + std::string(p.name);
    EXPECT_EQ((*it)[1].str(), hex(e.id));
    EXPECT_EQ((*it)[2].str(), e.name);
    EXPECT_EQ((*it)[3].str(), params);
  }
  EXPECT_EQ(i, kEvents.size());

  std::string enums, printed;
  for (const auto& e : kEnumerations) {
    enums += std::string(kTypes[e.type].name) + ":";
    for (const auto& m : e.members) enums += std::string(m.name) + "=" + std::to_string(m.value);
  }
  const std::regex enumeration(
      R"re(typedef enum (\w+) \{|\[helpstring\("([^"]*)"\)\] \2 = (-?\d+),)re");
  for (std::sregex_iterator it(idl.begin(), idl.end(), enumeration), end; it != end; ++it)
    printed += (*it)[1].matched ? (*it)[1].str() + ":" : (*it)[2].str() + "=" + (*it)[3].str();
  EXPECT_EQ(printed, enums);
}

}  // namespace
}  // namespace kadrelle::com
