# The music that the stop test of the whole program plays: six seconds of tone, long
# enough that a stop two seconds in is heard as the end. Run with -DOUT=<dir> -DSOX=<sox>
# -DLAME=<lame>.

include(${CMAKE_CURRENT_LIST_DIR}/AudioFixtureTools.cmake)

tone(music_6s 6 44100 2 -b 128)
