// The parallel layout: speed lines of one shape stacked side by side.
#include "filter/MoveEffectFilter.h"

// The layout arrives with the line tasks; until then a run lays out nothing.
void MoveEffectFilter::CreateParallelPathTasks() {}
