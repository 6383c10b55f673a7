// Each test starts from the program as it was before start-up: the shared state and every module's
// own, reset by the tests here rather than by the product's code.
#pragma once

void ResetProgramForTesting();
