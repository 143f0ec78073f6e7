#pragma once
// Lines and points to the picture's scale: when the 4:3 picture is drawn larger or smaller than
// 1024 x 768, a table that passes every call on to a base table but multiplies each width given
// to glLineWidth and each size given to glPointSize by the picture's scale, so that the picture
// keeps its look at any size.
#include "gl/GLTable.h"

// The ranges' GL 1.2 names, which a GL 1.1 header (Windows') lacks.
#ifndef GL_ALIASED_POINT_SIZE_RANGE
#define GL_ALIASED_POINT_SIZE_RANGE 0x846D
#endif
#ifndef GL_ALIASED_LINE_WIDTH_RANGE
#define GL_ALIASED_LINE_WIDTH_RANGE 0x846E
#endif

// The base table with glLineWidth and glPointSize multiplied by Scale, clamped to the ranges the
// driver reports (asked of the base once, when it becomes the base; an empty range clamps
// nothing). Queries of GL_LINE_WIDTH and GL_POINT_SIZE through glGetFloatv answer the width and
// size the game asked for, so code that tracks them sees its own values; every other query goes
// to the base. One such table exists: a new call replaces the last one's base and scale. A Scale
// that is not a positive number counts as 1.
const TGLTable& GLScaledTable(const TGLTable& Base, float Scale);

// Whether a width or size has been clamped to the driver's range since the last call.
bool GLScaleTakeClamped();

// How many pixels wide a width of 1 set now is drawn: the scaled table's scale while it is the
// table in use, otherwise 1; before any clamp to the driver's range.
float GLWidthScale();
