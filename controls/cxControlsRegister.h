// Registers the display controls with the class registry so stored descriptions can create them.
#pragma once

void RegisterDisplayControlClasses();
