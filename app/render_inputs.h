// What the 3D view is rendered from, taken from the document: shared by the 3D window and by
// batch mode's --render, so that both show the same picture of the same project.
#pragma once

#include "app/session.h"
#include "image/image.h"
#include "render/camera.h"
#include "render/view.h"

// The document's view mode, edges, texture and layer colours and visibility, seen by `camera`
// around `framing`, with `testPattern` for the test-pattern mode; no hover marks. The inputs
// point into the document and the test pattern, which must outlive them.
RenderInputs renderInputsOf(const Document& document, const Framing& framing, const Camera& camera,
                            const Image& testPattern);
