#include "mmd/MMDMorph.h"

namespace mmd {

MMDMorph::MMDMorph() = default;

MMDMorph::~MMDMorph() = default;

}  // namespace mmd
