// Makes the shell controls known to stored form descriptions.
#pragma once

// Registers the shell tree and the dialog component (and the library controls the dialog's
// form is made of); repeated calls do nothing more.
void RegisterShellClasses();
