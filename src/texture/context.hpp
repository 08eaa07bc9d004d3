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
    // Whether generators may run part of their work on a second thread
    // (results are the same either way). Off while the module starts up
    // inside the loader's DllMain, where a new thread could not start until
    // the loader lets go and waiting for one would never end.
    bool threads = true;
};

}  // namespace quilbet
