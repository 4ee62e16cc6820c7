# Generates the MP3 files the audio layer's test plays: sine tones at every kind of rate
# and layout MP3 allows, plus a WAV file named .mp3. Run with -DOUT=<dir> -DSOX=<sox>
# -DLAME=<lame>.

include(${CMAKE_CURRENT_LIST_DIR}/AudioFixtureTools.cmake)

tone(tone_44100_stereo 1 44100 2 -b 128)
tone(tone_22050_mono 1 22050 1 -m m -b 64)
# At 16 kbit/s an 8 kHz frame is too small for that tag; 24 leaves room.
tone(tone_8000_mono 1 8000 1 -m m -b 24)
tone(tone_48000_vbr 1 48000 2 -V 4)
tone(tone_32000_id3 1 32000 2 -b 96 --add-id3v2 --tt Tone --ta Nesvara)
# Without the encoder's tag the decoder cannot trim the padding.
tone(tone_44100_untagged 1 44100 2 -t -b 128)
tone(short_44100_stereo 0.3 44100 2 -b 128)

run(${SOX} -n -r 44100 -c 2 -b 16 -t wav wave_named.mp3 synth 1 sine 440 vol 0.5)
