// A tiny DLL for the version reader tests; only its resources matter.
extern "C" __declspec(dllexport) int KalvoraVersionFixture()
{
    return 1;
}
