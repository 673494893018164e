#pragma once
// Binds the real window's control events to the form's handlers. The window
// knows nothing of the form; this is the one place where the two meet.
namespace qd40 {

class PanelForm;
class PanelWindow;

void bindPanel(PanelWindow& window, PanelForm& form);

}  // namespace qd40
