#include "app/help.h"

#include <cstddef>
#include <cstdint>

#include "base/file_io.h"

extern const unsigned char kUserGuideHtml[];
extern const std::size_t kUserGuideHtml_size;

std::string_view userGuideHtml() {
  return {reinterpret_cast<const char*>(kUserGuideHtml), kUserGuideHtml_size};
}

bool writeUserGuide(const std::string& path) {
  const std::string_view html = userGuideHtml();
  return writeFileBytes(path, reinterpret_cast<const uint8_t*>(html.data()), html.size());
}

std::string shortHelpText() {
  return "1. Export your model from your 3D program as .3ds (or .obj with 'Y Up').\n"
         "2. File > New project from model (Ctrl+N), or drag the file onto the UV view on the "
         "right. The model is unwrapped at once.\n"
         "3. Choose the mapping and the texture size on the left; every change unwraps again. "
         "The Info box reports pieces, scale, texture use and Surfaces.\n"
         "4. Paint the texture in the 3D window (View > 3D preview / paint); the first stroke "
         "locks the layout. This version has no 3D window yet.\n"
         "5. Save the project (Ctrl+S) as a .qmap file. It is autosaved every few minutes "
         "(Tools > Preferences), and the previous file is kept as .bak.\n"
         "6. Export to a subfolder of the Serious Sam folder (File > Export to Serious Sam, "
         "Ctrl+E): a .3ds model, a .scr script, the texture as .tga and .tex. Export is not "
         "part of this version yet.\n"
         "7. In Serious Modeler, create the model from the .scr script and add the .tex "
         "texture.\n"
         "\n"
         "3D window: the left button paints, the right button turns the view, the middle "
         "button moves it and the wheel zooms (once the 3D window is part of the program).\n"
         "\n"
         "Layers: the layers of the model file are kept; with \"Unwrap per layer (layers = "
         "surfaces)\" every layer becomes its own Surface and no piece crosses a layer "
         "border.\n"
         "\n"
         "Stencil and pattern: an image laid over the 3D view, or tiled on the model, can be "
         "painted through instead of the brush colour. Both are stored in the project.\n"
         "\n"
         "Texture menu: export the painted texture, import one painted elsewhere, or export "
         "the UV layout as a transparent overlay to paint over in another program.\n"
         "\n"
         "Every colour in the UV view is one Surface, and every Surface becomes one surface "
         "in Serious Modeler: seams of the texture always lie on Surface borders.\n";
}
