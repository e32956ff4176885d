#include "settings/uKalvoraOptionsInit.h"

#include "settings/uKalvoraOptions.h"

std::unique_ptr<TKalvoraOptions> Options;

void InitOptions() { Options = std::make_unique<TKalvoraOptions>(); }

void FinishOptions(bool save)
{
    if (Options) Options->SaveWhenDestroyed = save;
    Options.reset();
}
