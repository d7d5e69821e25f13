// Internal settings of DrawEffect for tests and benchmarks; hosts have no way to set them.
#pragma once

/// Worker threads for each later DrawEffect run; 0 (the default) means one per hardware
/// thread. Set it while no DrawEffect call runs.
void SetDrawWorkerCount(unsigned count);
unsigned GetDrawWorkerCount();
