// A library that a test plants in the current folder to see whether a load by bare name finds it.
extern "C" __declspec(dllexport) int PlantedMarker()
{
    return 4711;
}
