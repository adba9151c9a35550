// Everything public of vornenv (its C interface too), and through it the sibling types
// (vornfile::filepath, vornplatform::vornstr, ...).

#ifndef VORNENV_VORNENV_H_
#define VORNENV_VORNENV_H_

#include "vornenv/capi.h"
#include "vornenv/diagnostics.h"
#include "vornenv/entrytofilepath.h"
#include "vornenv/envbuilder.h"
#include "vornenv/expandvar.h"
#include "vornenv/export.h"
#include "vornenv/iniparser.h"
#include "vornenv/platform.h"
#include "vornenv/sections.h"
#include "vornfile/vornfile.h"
#include "vornplatform/vornplatform.h"

#endif  // VORNENV_VORNENV_H_
