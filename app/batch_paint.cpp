#include "app/batch_paint.h"

#include <algorithm>
#include <charconv>
#include <ostream>

#include "app/event_step.h"
#include "app/window3d_controller.h"
#include "base/text_fields.h"
#include "paint/settings_tables.h"

namespace {

std::optional<int> integer(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}


// The 3D window as the event step tells it what changed.
struct ScriptWindow : WindowRefresh {
  Window3DController& controller;
  explicit ScriptWindow(Window3DController& c) : controller(c) {}
  void apply(const Changes& changes) override { controller.apply(changes); }
};

int64_t texelsChanged(const std::vector<uint32_t>& before, const std::vector<uint32_t>& after) {
  if (before.size() != after.size()) return static_cast<int64_t>(after.size());
  int64_t changed = 0;
  for (size_t i = 0; i < after.size(); ++i) changed += before[i] != after[i];
  return changed;
}

// Loads and places the stencil and the pattern as the window's gadgets and gestures do, each
// an event of the window.
template <typename Event>
PaintRun setUpSources(Window3DController& window, const Event& event, Document& document,
                      const SourceOptions& sources) {
  bool ok = true;
  if (!sources.stencilPath.empty()) event([&] { ok = window.loadStencilFile(sources.stencilPath); });
  if (!ok) return PaintRun::imageNotLoaded;
  if (sources.stencilAt) {
    event([&] {
      StencilState& s = document.stencil;
      s.x = (*sources.stencilAt)[0];
      s.y = (*sources.stencilAt)[1];
      s.scale = std::max((*sources.stencilAt)[2], stencilSetting::kScaleLow);
      s.angle = (*sources.stencilAt)[3];
    });
  }
  if (!sources.patternPath.empty()) event([&] { ok = window.loadPatternFile(sources.patternPath); });
  if (!ok) return PaintRun::imageNotLoaded;
  if (sources.tileCm) event([&] { window.setPatternTile(*sources.tileCm); });
  // The anchor's click chooses anchored mapping itself.
  if (sources.mapping && !(sources.anchor && *sources.mapping == PatternMapping::anchor))
    event([&] { window.setPatternMapping(static_cast<int>(*sources.mapping)); });
  if (sources.anchor) event([&] { ok = window.anchorAt(sources.anchor->first, sources.anchor->second); });
  return ok ? PaintRun::done : PaintRun::noAnchor;
}

}  // namespace

std::optional<std::pair<int, int>> pointOf(const std::string& text) {
  const size_t comma = text.find(',');
  if (comma == std::string::npos) return std::nullopt;
  const auto x = integer(std::string_view(text).substr(0, comma));
  const auto y = integer(std::string_view(text).substr(comma + 1));
  if (!x || !y) return std::nullopt;
  return std::pair{*x, *y};
}

std::optional<PaintScript> paintScriptOf(const std::string& text) {
  static const std::pair<const char*, Tool> kinds[] = {
      {"brush", Tool::brush},
      {"fill-triangle", Tool::fillTriangle},
      {"fill-flat-face", Tool::fillFlatFace},
      {"fill-surface", Tool::fillSurface},
      {"fill-layer", Tool::fillLayer},
  };
  std::vector<std::string> words;
  for (std::string& word : splitFields(text, ' '))
    if (!word.empty()) words.push_back(std::move(word));
  if (words.size() < 2) return std::nullopt;
  PaintScript script;
  script.text = text;
  bool known = false;
  for (const auto& [name, tool] : kinds)
    if (words[0] == name) {
      script.tool = tool;
      known = true;
    }
  if (!known || (script.tool != Tool::brush && words.size() != 2)) return std::nullopt;
  for (size_t i = 1; i < words.size(); ++i) {
    const auto point = pointOf(words[i]);
    if (!point) return std::nullopt;
    script.points.push_back(*point);
  }
  return script;
}

std::optional<uint32_t> colourOf(const std::string& text) {
  uint32_t rgb = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), rgb, 16);
  if (text.size() != 6 || error != std::errc() || end != text.data() + text.size())
    return std::nullopt;
  // RRGGBB as written; the texture keeps red in the lowest byte.
  return (rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16;
}

PaintRun runPaintScripts(Session& session, Controller& controller, Ui& ui,
                         const Preferences& prefs, const std::vector<PaintScript>& scripts,
                         const BrushOptions& brush, const SourceOptions& sources,
                         const ScriptView& view, std::ostream& out) {
  Window3DController window(session, ui, controller);
  ScriptWindow refresh(window);
  EventStep events(session, controller, ui, prefs);
  events.set3dWindow(&refresh);
  const auto event = [&](const std::function<void()>& command) {
    events.run(EventWindow::view3d, command);
  };
  events.run(EventWindow::main, [&] { window.open(); });
  if (!session.window3d) return PaintRun::done;
  window.resize(view.width, view.height);
  ViewState& v = session.document.view;
  event([&] {
    window.resetView();
    v.camera.yaw = view.yaw.value_or(v.camera.yaw);
    v.camera.pitch = view.pitch.value_or(v.camera.pitch);
    ViewState given = v;
    for (const auto& [setting, value] : brush.settings) setting->field.set(given, value);
    window.setBrush(given.brushSize, given.opacity, given.hardness);
    window.setBrushTip(static_cast<int>(given.brushTip));
    v.brushColor = brush.colour.value_or(v.brushColor);
  });
  const PaintRun set = setUpSources(window, event, session.document, sources);
  if (set != PaintRun::done) {
    events.run(EventWindow::main, [&] { window.close(); });
    return set;
  }
  if (brush.source) event([&] { window.setPaintSource(*brush.source); });
  for (const PaintScript& script : scripts) {
    const std::vector<uint32_t> before = session.document.texture.pixels();
    event([&] { window.setTool(script.tool); });
    const std::pair<int, int> start = script.points.front();
    event([&] { window.mouseEnter(start.first, start.second); });
    event([&] {
      window.buttonDown(MouseButton::left, {.x = start.first, .y = start.second, .left = true});
    });
    for (size_t i = 1; i < script.points.size(); ++i) {
      const std::pair<int, int> p = script.points[i];
      event([&] { window.motion({.x = p.first, .y = p.second, .left = true}); });
    }
    event([&] { window.buttonUp(); });
    // A first paint made the texture it painted into: counted against that white texture.
    const std::vector<uint32_t>& after = session.document.texture.pixels();
    const std::vector<uint32_t>& base =
        before.size() == after.size() ? before : session.window3d->stroke.base;
    out << script.text << ": " << texelsChanged(base, after) << " texels changed\n";
  }
  events.run(EventWindow::main, [&] { window.close(); });
  return PaintRun::done;
}
