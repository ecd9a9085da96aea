// A stand-in application for the launch and quit tests: it waits until a signal ends it.
#include <unistd.h>

int main() {
  for (;;) pause();
}
