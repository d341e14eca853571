#include "genome/MutationSteps.h"

bool DnaDrawing::Mutate() {
    mutation::Unrecorded recorder;
    return mutation::Mutate(*this, recorder);
}

bool DnaPoint::Mutate() { return mutation::MutateVertex(*this, 0); }
