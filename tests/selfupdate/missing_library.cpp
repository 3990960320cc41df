// A library that the trial-start tests link a stand-in launcher against and then never
// ship beside it: the stand-in cannot start, as a release importing a function that an
// older system lacks.
extern "C" __declspec(dllexport) int qz_missing_library_function()
{
    return 0;
}
