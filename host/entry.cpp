// The plug-in's exported entry point (filled in with the plug-in object).
