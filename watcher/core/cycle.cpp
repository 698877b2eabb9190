// placeholder until the watch cycle is written
#include "cycle.h"
namespace nw {
void Timer1_Tick() {}
}  // namespace nw
