#pragma once

class QComboBox;

// Widens a combo's drop-down list so its widest item fits, up to the screen's width less 20
// pixels. True when the list is wide enough afterwards; false for an empty or missing combo.
bool AdjustComboDropWidth(QComboBox *combo);
// The drop-down list's width now, in pixels.
int comboDropWidth(const QComboBox *combo);
// Makes a combo box editable with its text exactly as typed: left to itself the toolkit
// completes the text inline from the list, and Enter then takes an entry the user never
// typed. A box that completes does it itself, by its own rule.
void SetComboEditable(QComboBox *combo);
