/* A program that imports a function Windows XP lacks, linked without the module's own
   answers for such imports: the import check must refuse it. */
__declspec(dllimport) unsigned long long __stdcall GetTickCount64(void);

int main(void) { return (int)(GetTickCount64() & 1); }
