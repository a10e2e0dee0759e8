#include "session/ParameterGroups.h"

namespace kadrelle {

namespace {

constexpr GroupName kGroups[] = {
    {ParameterGroup::Motor, "Motor"},
    {ParameterGroup::Feedback, "Feedback"},
    {ParameterGroup::CurrentLoop, "Current loop"},
    {ParameterGroup::VelocityLoop, "Velocity loop"},
    {ParameterGroup::PositionLoop, "Position loop"},
    {ParameterGroup::Limits, "Limits"},
    {ParameterGroup::Communication, "Communication"},
    {ParameterGroup::DriveInformation, "Drive information"},
    {ParameterGroup::Measured, "Measured values"},
    {ParameterGroup::Control, "Control"},
};

}  // namespace

std::span<const GroupName> parameterGroups() {
  return kGroups;
}

std::string_view groupName(ParameterGroup group) {
  for (const GroupName& g : kGroups)
    if (g.group == group) return g.name;
  return {};
}

}  // namespace kadrelle
