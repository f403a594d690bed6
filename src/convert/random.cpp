#include "convert/random.h"

namespace dotcaster::convert {

DotRandom& TheDotRandom() {
  static DotRandom generator;
  return generator;
}

}  // namespace dotcaster::convert
