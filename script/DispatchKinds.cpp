// Members that only one body kind has: the ground's images, the spring's and the differential's
// constants. They arrive with those bodies; until then the kinds answer the common members.
#include "script/vbs/HostObject.h"

namespace korvan {

void AddGroundMembers(vbs::MemberTable&) {}
void AddSpringMembers(vbs::MemberTable&) {}
void AddDefMembers(vbs::MemberTable&) {}

}  // namespace korvan
