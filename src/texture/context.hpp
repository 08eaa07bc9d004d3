// What generators and painters draw from: the random generator and the noise
// tables. One per module instance (one per station builder); tests make their
// own, so every test starts from random state 0.
#pragma once

#include "maths/random.hpp"
#include "texture/noise.hpp"

namespace quilbet {

struct Context {
    Random random;
    NoiseTables noise;
};

}  // namespace quilbet
