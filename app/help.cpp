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
  // The same story as the guide, short.
  return "1. Export your model from your 3D program as .3ds (or .obj with 'Y Up').\n"
         "2. Choose File > New project from model (Ctrl+N), or drag the file onto the UV view "
         "on the right. The model is unwrapped at once.\n"
         "3. Choose the mapping and the texture size on the left. Every change unwraps again; "
         "the Info box reports the pieces, the scale, the texture used and the Surfaces.\n"
         "4. Paint on the model in the 3D window (View > 3D preview / paint, Ctrl+3): drag with "
         "the left button. The first paint locks the layout; Change layout... unlocks it.\n"
         "5. Save the project (Ctrl+S). It is autosaved every few minutes (Tools > "
         "Preferences), and the previous file is kept as .bak.\n"
         "6. Export to a subfolder of the Serious Sam folder (File > Export to Serious Sam, "
         "Ctrl+E): a .3ds model, a .scr script and the texture as .tga and .tex.\n"
         "7. In Serious Modeler, create the model from the .scr script and add the .tex "
         "texture.\n"
         "\n"
         "3D window: shows the model shaded and textured. Hold Space and drag with the left "
         "button to turn the view, with the right button to move it; the wheel zooms. New... "
         "makes a texture (one colour, test pattern or Surface colours). The brush paints with "
         "a left drag (size, opacity, hardness and four tips); the fill tools fill the "
         "triangle, flat face, Surface or layer under the mouse, marked before you click; a "
         "right click picks the texture's colour as the brush colour; Ctrl+Z and Ctrl+Y undo "
         "and redo.\n"
         "\n"
         "Layers: each object of a .3ds file and each group of an .obj file is a layer. With "
         "\"Unwrap per layer (layers = surfaces)\" every layer becomes its own Surface and no "
         "piece crosses a layer border. The 3D window's layer list shows, hides, locks and "
         "colours them; the Assign layer tools move triangles to the chosen layer.\n"
         "\n"
         "Stencil and pattern: a stencil is a picture laid over the 3D view (Ctrl+drag moves "
         "it) that the brush paints through; a pattern is a seamless tile projected from three "
         "sides or rolled out from a Shift+click anchor like a label. Choose them under Paint "
         "with.\n"
         "\n"
         "Texture menu: export the painted texture, import one painted elsewhere, or export "
         "the layout as a transparent overlay to paint over in another program.\n"
         "\n"
         "Every colour in the UV view is one Surface, and every Surface becomes one surface in "
         "Serious Modeler: the texture's seams always lie on Surface borders, so the mapping "
         "comes through intact.\n";
}
