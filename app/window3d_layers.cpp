#include "app/window3d_layers.h"

#include <algorithm>
#include <string>

#include "app/window_rules.h"
#include "paint/layers.h"

namespace {

constexpr const char* kLayersDecideLockedLayout =
    "The layers decide the layout ('Unwrap per layer' is on) and the layout is locked.\n"
    "Use 'Change layout...' in the main window first.";

std::string withoutBlanks(const std::string& text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  const auto first = std::find_if_not(text.begin(), text.end(), blank);
  const auto last = std::find_if_not(text.rbegin(), text.rend(), blank).base();
  return first < last ? std::string(first, last) : std::string();
}

}  // namespace

void Window3DLayers::refreshLayerList() {
  fitLayerState(s_.document.layers, s_.document.workModel);
}

void Window3DLayers::changedLayers(const Changes& changes) {
  state().layersChanged = true;
  raise(changes);
}

void Window3DLayers::layerListEvent(const std::vector<bool>& ticked, int selectedRow) {
  LayerState& layers = s_.document.layers;
  bool visibilityChanged = false;
  const size_t rows = std::min(ticked.size(), layers.hidden.size());
  for (size_t row = 0; row < rows; ++row) {
    const uint8_t hidden = ticked[row] ? 0 : 1;
    visibilityChanged |= layers.hidden[row] != hidden;
    layers.hidden[row] = hidden;
  }
  bool currentChanged = false;
  if (selectedRow >= 0 && selectedRow < layers.count() && selectedRow != layers.curLayer) {
    layers.curLayer = selectedRow;
    currentChanged = true;
  }
  // What "Paint only on this layer" reaches changed with the current layer.
  if (visibilityChanged || (currentChanged && layers.onlyLayer)) changedSetting({.view3d = true});
}

void Window3DLayers::newLayer() {
  Model& model = s_.document.workModel;
  const std::optional<std::string> answer = ui_.askText(
      "New layer", "Name of the new layer:", "Layer " + std::to_string(model.layerCount() + 1));
  const std::string name = withoutBlanks(answer.value_or(""));
  if (name.empty()) return;
  // A name that exists selects that layer.
  s_.document.layers.curLayer = modelLayerIndex(model, name);
  changedLayers({});
  refreshLayerList();
}

void Window3DLayers::renameLayer() {
  Model& model = s_.document.workModel;
  const int64_t current = s_.document.layers.curLayer;
  if (current < 0 || current >= model.layerCount()) return;
  std::string& oldName = model.layerNames[static_cast<size_t>(current)];
  const std::optional<std::string> answer = ui_.askText("Rename layer", "New name:", oldName);
  const std::string name = withoutBlanks(answer.value_or(""));
  if (name.empty() || name == oldName) return;
  if (std::find(model.layerNames.begin(), model.layerNames.end(), name) != model.layerNames.end()) {
    ui_.message("Rename layer", "There is already a layer with this name.", Icon::warning,
                Buttons::ok);
    return;
  }
  oldName = name;
  changedLayers({});
  refreshLayerList();
}

void Window3DLayers::deleteLayer() {
  Model& model = s_.document.workModel;
  const auto layer = static_cast<int32_t>(s_.document.layers.curLayer);
  if (layer < 0 || layer >= model.layerCount()) return;
  if (model.layerCount() <= 1) {
    ui_.message("Delete layer", "The last layer cannot be deleted.", Icon::information,
                Buttons::ok);
    return;
  }
  // Moving triangles to another layer changes the surfaces when the layers decide them.
  const int64_t moving = trianglesOnLayer(model, layer);
  if (moving > 0 && !layoutGuard()) return;
  const std::string& heir = model.layerNames[static_cast<size_t>(deletedLayerHeir(layer))];
  const std::string question = "Delete layer '" + model.layerNames[static_cast<size_t>(layer)] +
                               "'?\nIts " + std::to_string(moving) + " triangles move to layer '" +
                               heir + "'.";
  if (ui_.message("Delete layer", question, Icon::question, Buttons::yesNo) != Answer::yes) return;
  removeLayer(model, s_.document.layers, layer);
  changedLayers({.view3d = true});
  refreshLayerList();
}

void Window3DLayers::chooseLayerColour() {
  LayerState& layers = s_.document.layers;
  const int64_t current = layers.curLayer;
  if (current < 0 || current >= layers.count()) return;
  uint32_t& colour = layers.color[static_cast<size_t>(current)];
  const std::optional<uint32_t> chosen = ui_.chooseColour("Layer colour", colour);
  if (!chosen) return;
  colour = *chosen & 0xFFFFFFu;
  changedSetting({.view3d = true});
  refreshLayerList();
}

void Window3DLayers::toggleLayerLock() {
  LayerState& layers = s_.document.layers;
  const int64_t current = layers.curLayer;
  if (current < 0 || current >= layers.count()) return;
  uint8_t& locked = layers.locked[static_cast<size_t>(current)];
  locked = !locked;
  changedSetting({});
  refreshLayerList();
}

void Window3DLayers::setOnlyLayer(bool only) {
  s_.document.layers.onlyLayer = only;
  changedSetting({});
}

bool Window3DLayers::layoutGuard() {
  if (!controlStates(s_, s_.document.settings).layerAssignBlocked) return true;
  ui_.message("Layers", kLayersDecideLockedLayout, Icon::warning, Buttons::ok);
  return false;
}

void Window3DLayers::assignRegion(int x, int y) {
  Window3DState& st = state();
  const std::optional<ViewHit> hit = pickAt(st.view, x, y);
  if (!hit) return;
  toolRegion(s_.document.view.tool, hit->triangle, s_.document.workModel, st.neighbours,
             st.marks, st.region);
  if (assignLayer(s_.document.workModel, st.region, static_cast<int32_t>(s_.document.layers.curLayer)))
    changedLayers({});
  st.hoverTriangle = -2;  // the next move marks the region anew
  raise({.view3d = true});
}

void Window3DLayers::assignBrush(int x, int y) {
  // Through the last picture shown: what is seen under the circle is what is reached.
  if (assignLayerUnderCircle(s_.document.workModel, state().view, x, y, s_.document.view.brushSize,
                             static_cast<int32_t>(s_.document.layers.curLayer)))
    changedLayers({.view3d = true});
  else
    raise({.overlay3d = true});  // the circle follows the mouse
}
