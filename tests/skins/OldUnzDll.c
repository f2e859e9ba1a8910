/* An unzip library that is too old: version 150. */
int UnzDllExec(void* params) { (void)params; return 0; }
int GetUnzDllVersion(void) { return 150; }
