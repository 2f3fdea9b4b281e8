// libFuzzer target for the EMF reader and player of TMetafile (seeded with .emf files).
#include "fuzz_metafile.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  pictavia::StartMetafileFuzzing(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pictavia::FuzzMetafile(data, size);
  return 0;
}
