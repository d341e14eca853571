#include "genome/MutationSteps.h"

bool DnaDrawing::Mutate() {
    mutation::Unrecorded recorder;
    return mutation::MutateDrawing(*this, recorder);
}
