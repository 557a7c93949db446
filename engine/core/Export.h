#pragma once

// Marks what the Engine library exports: whole classes and free functions alike.
// Default visibility already exports everything on Linux; the marker keeps the
// exported surface explicit and lets a hidden-by-default build work unchanged.
#define ORVA_API __attribute__((visibility("default")))
