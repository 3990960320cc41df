// A library that does nothing: its presence beside the test program is the point.
extern "C" __declspec(dllexport) int QZ_PlantedLibraryMark()
{
    return 1;
}
