// Building the 3D window's gadgets and placing them; their signals are wired in
// ui/window3d.cpp.
#include "ui/window3d.h"

#include <utility>
#include <vector>

#include "ui/fixed_layout.h"

namespace {

// A list whose longest item may be wider than the list: the shown item is cut with an
// ellipsis, so the list keeps its place in the row.
void ellipsize(Gtk::ComboBoxText& combo) {
  for (Gtk::CellRenderer* cell : combo.get_cells())
    if (auto* text = dynamic_cast<Gtk::CellRendererText*>(cell))
      text->property_ellipsize() = Pango::ELLIPSIZE_END;
}

}  // namespace

Window3D::Window3D(Gtk::Window& parent, const Session& session, Window3DController& controller,
                   Runner run)
    : session_(session), controller_(controller), run_(std::move(run)) {
  set_name("quillmap-3d");
  set_title(controller_.title());
  set_transient_for(parent);
  set_default_size(kOpenWidth, kOpenHeight);
  area_.get_style_context()->add_class("settings");
  buildToolbar();
  buildPanel();
  buildCanvas();
  add(area_);
  connectGadgets();
  show_all_children();
}

void Window3D::buildToolbar() {
  Gtk::Fixed& f = area_;
  fillList(viewMode_, viewSetting::viewMode.labels);
  place(f, viewMode_, 6, 6, 130, 24);
  place(f, newTexture_, 142, 6, 70, 24);
  place(f, importTexture_, 216, 6, 70, 24);
  place(f, exportTexture_, 290, 6, 70, 24);
  place(f, edges_, 370, 6, 100, 24);
  place(f, resetView_, 476, 6, 90, 24);
  placeLabel(f, navigateHint_, 576, 10, 160, 20);

  fillList(tool_, brushSetting::tool.labels);
  place(f, tool_, 6, 36, 170, 24);
  place(f, brushColour_, 182, 36, 40, 24);
  // Each text ends where its spin box or list begins.
  placeLabel(f, sizeText_, 232, 40, 30, 20);
  place(f, size_, 264, 36, 64, 24);
  placeLabel(f, opacityText_, 338, 40, 50, 20);
  place(f, opacity_, 390, 36, 60, 24);
  placeLabel(f, hardnessText_, 460, 40, 56, 20);
  place(f, hardness_, 518, 36, 60, 24);
  placeLabel(f, tipText_, 588, 40, 26, 20);
  fillList(tip_, brushSetting::tip.labels);
  tip_.set_tooltip_text(
      "Brush tip: Round, Sponge (dabbing, porous blots),\n"
      "Splatter (random drops) or Chalk (grain like rough paper).");
  place(f, tip_, 616, 36, 96, 24);
  placeLabel(f, pickHint_, 722, 40, 180, 20);

  placeLabel(f, paintWithText_, 6, 70, 62, 20);
  fillList(paintWith_, brushSetting::source.labels);
  place(f, paintWith_, 70, 66, 100, 24);
  place(f, patternSwatch_, 182, 66, 24, 24);
  place(f, loadPattern_, 210, 66, 110, 24);
  placeLabel(f, tileText_, 330, 70, 88, 20);
  place(f, tile_, 420, 66, 70, 24);
  placeLabel(f, rotateText_, 500, 70, 44, 20);
  fillList(rotate_, patternSetting::rotate.labels);
  place(f, rotate_, 546, 66, 64, 24);
  place(f, tint_, 622, 66, 150, 24);
  fillList(mapping_, patternSetting::mapping.labels);
  mapping_.set_tooltip_text(
      "Triplanar: projected from 3 sides (fabric, stone).\n"
      "Anchor: Shift+click on the model to center the pattern there; it is rolled out\n"
      "over the surface like a label (images on cylinders and curved parts).");
  place(f, mapping_, 776, 66, 128, 24);
  for (Gtk::ComboBoxText* combo : {&viewMode_, &tool_, &tip_, &paintWith_, &rotate_, &mapping_})
    ellipsize(*combo);
  patternSwatch_.signal_draw().connect(sigc::mem_fun(*this, &Window3D::drawPatternSwatch));
}

void Window3D::buildLayerList() {
  layers_ = Gtk::ListStore::create(layerColumns_);
  layerList_.set_model(layers_);
  // "Layer": the visibility tick, the colour swatch and the name; then "locked" untitled.
  auto* layer = Gtk::make_managed<Gtk::TreeViewColumn>("Layer");
  auto* tick = Gtk::make_managed<Gtk::CellRendererToggle>();
  layer->pack_start(*tick, false);
  layer->add_attribute(tick->property_active(), layerColumns_.visible);
  layer->pack_start(layerColumns_.swatch, false);
  layer->pack_start(layerColumns_.name, true);
  auto* locked = Gtk::make_managed<Gtk::TreeViewColumn>("", layerColumns_.locked);
  for (auto [column, width] : {std::pair{layer, 120}, std::pair{locked, 50}}) {
    column->set_sizing(Gtk::TREE_VIEW_COLUMN_FIXED);
    column->set_fixed_width(width);
    layerList_.append_column(*column);
  }
  tick->signal_toggled().connect([this](const Glib::ustring& path) {
    const std::vector<bool> ticks = layerTicks(Gtk::TreePath(path)[0]);
    run([&] { controller_.layerListEvent(ticks, selectedLayerRow()); });
  });
  layerList_.get_selection()->signal_changed().connect([this] {
    run([this] { controller_.layerListEvent(layerTicks(), selectedLayerRow()); });
  });
  layerScroll_.set_policy(Gtk::POLICY_AUTOMATIC, Gtk::POLICY_AUTOMATIC);
  layerScroll_.set_shadow_type(Gtk::SHADOW_IN);
  layerScroll_.add(layerList_);
}

void Window3D::buildPanel() {
  Gtk::Fixed& f = area_;
  buildLayerList();

  stencilHelp_.set_xalign(0);
  stencilHelp_.set_yalign(0);
  for (Gtk::Label* label : {&stencilTitle_, &stencilOpacityText_, &offsetTitle_, &offsetXText_,
                            &offsetYText_}) {
    label->set_xalign(0);
    label->set_ellipsize(Pango::ELLIPSIZE_END);
  }
  offsetX_.set_tooltip_text("Move the pattern to the right (negative = left), in % of a tile");
  offsetY_.set_tooltip_text("Move the pattern up (negative = down), in % of a tile");

  // Placed by the layout on every allocation: the window's size decides theirs, and only the
  // toolbar rows set the window's least width.
  const std::vector<Window3DArea::Placement> panel = {
      {&layerScroll_, &Window3DLayout::layerList},
      {&layerNew_, &Window3DLayout::layerNew},
      {&layerRename_, &Window3DLayout::layerRename},
      {&layerDelete_, &Window3DLayout::layerDelete},
      {&layerColour_, &Window3DLayout::layerColour},
      {&layerLock_, &Window3DLayout::layerLock},
      {&onlyLayer_, &Window3DLayout::onlyLayer},
      {&stencilTitle_, &Window3DLayout::stencilTitle},
      {&stencilLoad_, &Window3DLayout::stencilLoad},
      {&stencilRemove_, &Window3DLayout::stencilRemove},
      {&stencilCenter_, &Window3DLayout::stencilCenter},
      {&stencilOpacityText_, &Window3DLayout::stencilOpacityText},
      {&stencilOpacity_, &Window3DLayout::stencilOpacity},
      {&showStencil_, &Window3DLayout::showStencil},
      {&stencilHelp_, &Window3DLayout::stencilHelp},
      {&offsetTitle_, &Window3DLayout::offsetTitle},
      {&offsetXText_, &Window3DLayout::offsetXText},
      {&offsetX_, &Window3DLayout::offsetX},
      {&offsetYText_, &Window3DLayout::offsetYText},
      {&offsetY_, &Window3DLayout::offsetY},
      {&offsetReset_, &Window3DLayout::offsetReset},
      {&canvas_, &Window3DLayout::canvas},
  };
  for (const auto& placement : panel) f.put(*placement.first, 0, 0);
  area_.follow(panel);
}
