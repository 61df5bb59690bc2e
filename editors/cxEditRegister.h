// Registers the editor classes with the class registry so stored descriptions can create them.
#pragma once

void RegisterEditorClasses();
