# Sourced, never run: how every Windows program here runs under Wine. Set WINEPREFIX first.
export WINEDEBUG=-all
# Without the first two Wine offers to download Mono and Gecko in a dialog nobody can answer;
# without the third a crash waits for a debugger instead of ending the program at once.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
