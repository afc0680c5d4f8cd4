#pragma once

/// Creates the saved-scripts folder under the working directory where it is missing.
void ensureSavedScriptsFolder();
