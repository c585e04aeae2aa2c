#pragma once

// Which of the two programs is running. Both are built from one tree and differ at run time only:
// each program's main sets its edition before anything reads a path or the settings.
enum class Edition {
    Full,  // TrevaselForPravena
    Basic, // Trevasel
};
