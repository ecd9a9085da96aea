// The Display page's tests bring Qt WebEngine into this process through the preview plug-in,
// and Qt WebEngine frees some of its own objects with a smaller size than it made them with:
// under the address checker that one check is off here (the other test programs keep it).
#if defined(__SANITIZE_ADDRESS__)
extern "C" __attribute__((visibility("default"), used)) const char* __asan_default_options() {
  return "new_delete_type_mismatch=0";
}
#endif
