// A plug-in binary whose entry point declines to create a plug-in, as a real one does when
// it cannot start: the render tool must report that and stop.
extern "C" __attribute__((visibility("default"))) void* VSTPluginMain(void*)
{
    return nullptr;
}
