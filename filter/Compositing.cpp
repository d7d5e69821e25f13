// Compositing the stroke buffer into the host's layer.
#include "filter/MoveEffectFilter.h"

// Compositing arrives with the stroke buffer; until then the layer is left untouched.
void MoveEffectFilter::DrawToCanvas(int, int, const uint8_t*, uint8_t*, int) {}
