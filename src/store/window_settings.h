#pragma once
// Choices of the window kept between starts, in flipframe.ini beside de.ini (the program
// folder, or the user's config folder when installed).
namespace app {

struct WindowSettings {
  int jobs = 1;  // tasks a batch runs at once
};

// The most tasks the window offers to run at once: the machine's cores, at least 2, at most 8.
int MaxJobs();

// The kept choices; the defaults when there is no file or a value is out of range.
WindowSettings LoadWindowSettings();
// Keeps them; false when they could not be written (nothing else happens then).
bool SaveWindowSettings(const WindowSettings& settings);

}  // namespace app
