// The front panel's buttons, knobs, LEDs and number display.
// PLACEHOLDER: the panel logic is being written; these bodies only let the
// editor's controls be built against the interface.
#include "plugin/Vornell.h"

bool Vornell::OnPanelButtonDown(int, bool) { return true; }
void Vornell::OnPanelButtonUp(int) {}
void Vornell::OnPanelKnob(int, double) {}
double Vornell::PanelKnobPosition(int) const { return -1.0; }
bool Vornell::PanelLedState(int) const { return false; }
int Vornell::NumberDisplayCode() const { return -1; }
void Vornell::ReleaseLatchedButtons() {}
