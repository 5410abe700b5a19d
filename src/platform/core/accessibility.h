#pragma once
// What screen readers learn about our windows. Two program-wide rules, so that
// windows written later need no code of their own:
//  - a window made of a plain QWidget is announced as a window (a dialog when it
//    is flagged as one), not as a bare pane;
//  - a control that has neither a caption nor a label takes its name from its
//    tooltip, a list from its column captions, and a text box's own scroll bars
//    from the text box.
// A name given with setAccessibleName, a caption and a label (QLabel::setBuddy,
// or the group box around it) always come first.
class QApplication;
class QWidget;

namespace platform {

// Installs both rules for the whole program; calling it again does nothing.
void setUpAccessibility(QApplication& app);

// Works a control's borrowed name out again, for controls whose captions change
// while they are shown (a list getting new columns). Showing a control and
// changing its tooltip do this by themselves.
void refreshAccessibleName(QWidget* control);

} // namespace platform
