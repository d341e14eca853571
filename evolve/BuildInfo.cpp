#include "evolve/BuildInfo.h"

#include "genome/DrawStream.h"
#include "image/KernelChoice.h"

#include <ctime>

std::string VersionText(const std::string& program) {
    const bool own = DrawStream::MatchesLibrary(static_cast<unsigned>(std::time(nullptr)));
    return program + " " + POLYEVOLVE_VERSION + "\nrandom draws: " +
           DrawStream::Name(own ? DrawStream::Source::Generator : DrawStream::Source::Library) +
           "\npixel kernels: " + KernelName(RunningKernels()) + "\n";
}
