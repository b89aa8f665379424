// Start-up and finalisation of the runtime layer; main and every test
// program call these first and last.
#pragma once

void RtlInitialize();
void RtlFinalize();
