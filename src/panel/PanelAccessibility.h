#pragma once
// What a screen reader finds in the window: each frame a named group, and
// the decorative lines not at all. Names of single controls come from the
// widgets themselves (AccessibleNames); this shapes the tree around them.
namespace qd40 {

// Makes the window's frames and lines known to Qt's accessibility; once per
// program, before the window is first queried.
void installPanelAccessibility();

}  // namespace qd40
