#define DEBUG
#ifdef DEBUG
trace("debug"); // note
#else
/* off */ trace(0);
#endif
#include "lib.as"
