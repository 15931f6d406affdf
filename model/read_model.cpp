#include "base/file_io.h"
#include "model/readers.h"

ReadResult readModelFile(const std::string& path, Model& model) {
  const ReadResult result =
      lowerExtension(path) == "obj" ? readObj(path, model, true) : read3ds(path, model);
  if (!result.ok) modelClear(model);
  return result;
}
