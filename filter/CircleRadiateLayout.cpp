// The circle and radiate layouts: rings around an ellipse, lines fanning from a centre.
#include "filter/MoveEffectFilter.h"

// The layouts arrive with the line tasks; until then a run lays out nothing.
void MoveEffectFilter::CreateCirclePathTasks() {}
void MoveEffectFilter::CreateRadiatePathTasks() {}
