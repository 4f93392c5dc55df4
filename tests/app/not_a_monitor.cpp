// A shared library that loads but offers none of the activity monitor's entry points.
extern "C" __attribute__((visibility("default"))) int NotAnActivityMonitor(void)
{
    return 0;
}
