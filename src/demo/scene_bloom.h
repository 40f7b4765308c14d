/*
 * scene_bloom.h - the bloom pass of scenes 4, 7, 8 and 9: a picture shown
 * through the program of "data/shader/bloom.frag" (halo, noise, fade) that
 * scene 4 loads as scene4_glowShader, with the picture's glow worked out by
 * the framework (tvx_makeGlow) at a reduced size, and the program's variant
 * without noise kept beside the shader table.
 *
 * Depends on: the tvx framework (shader table, programs beside it, the
 * glow), the timeline's screen quad of a pass.
 */
#ifndef SCENE_BLOOM_H
#define SCENE_BLOOM_H

/* Loads the pass's program, scene4_glowShader, into the shader table: row 23
 * of the loading order, in scene 4's share. */
void bloom_load(void);

/* The variant without noise, beside the table; loaded in the second loading
 * frame. */
void bloom_loadVariant(void);

/* Enables the pass's program over picture with "fadeLevel" alone (scene 4's
 * backdrop, which draws its own quad): makes the picture's glow, sends the
 * uniform and enables what draws like the program (the program, or without
 * noise its variant), reading the glow. The caller draws and disables. */
void bloom_enable(unsigned int picture, float fadeLevel);

/* The bloom pass of scenes 7, 8 and 9: the program over picture with
 * "noiseLevel", "timer" and "fadeLevel", drawn as the screen quad of a pass
 * at z = 0 with the current colour, then disabled. */
void bloom_pass(unsigned int picture, float noiseLevel, float t, float fadeLevel);

#endif
