#pragma once

// Marks what the Engine library exports: whole classes, class templates whose instances
// games and tests use (their statics must be one per process), and free functions. The
// library is built with hidden visibility, so whatever lacks the marker stays inside it.
#define ORVA_API __attribute__((visibility("default")))
