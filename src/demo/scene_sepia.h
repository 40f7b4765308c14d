/*
 * scene_sepia.h - the sepia pass of scenes 1 to 4: a frame drawn into FBO[0]
 * shown through a program of "data/shader/sepia.frag" (film tone, grain,
 * static, fade), and the variants of that program kept beside the shader
 * table, which draw what it would for less.
 *
 * Every scene that uses the pass loads a sepia program of its own into the
 * table (sepia_load, at its place in the loading order) and hands its id to
 * the functions below.
 *
 * Depends on: the tvx framework (shader table, programs beside it), the
 * timeline's screen quad of a pass.
 */
#ifndef SCENE_SEPIA_H
#define SCENE_SEPIA_H

/* A new sepia program in the shader table ("data/shader/sepia.frag",
 * fragment stage only); returns its id. */
int sepia_load(void);

/* The variants beside the table: for untextured geometry (plaster), for a
 * picture with at most faint static (quiet) and with more (loud), all
 * reading the frame's flicker and scratches that a fourth works out once per
 * pass. Loaded in the second loading frame. */
void sepia_loadVariants(void);

/* The sepia pass: enables the sepia program, sends "timer" = t, "noise" =
 * *noise (not sent when noise is null), "staticNoiseAmmount" and
 * "fadeLevel", enables what draws like it (sepia_shader), draws texture as
 * the screen quad of a pass at depth z and disables the program. The caller
 * sets the colour and clear colour first. */
void sepia_pass(int shader, unsigned int texture, float z, float t, const float *noise,
                float staticNoise, float fadeLevel);

/* The "noise" scenes 2 to 4 send: the film's flicker at scene time t. */
float sepia_flicker(float t);

/* Enables what draws like sepia program `shader` with its present uniforms:
 * after working out the frame's values, its quiet variant while the static
 * is faint (sepia_faintStatic), else its loud one; the program itself where
 * the variants cannot run. Used by the pass, and for textured quads drawn
 * through the sepia program after it (scene 4's overlay). Also hands the
 * uniforms and values on to the plaster variant. */
void sepia_shader(int shader);

/* 1 when static of this "staticNoiseAmmount" at scene time t is faint: none
 * at all, or at most 1% of the picture after the first second (the quiet
 * variant then draws its average colour instead of its snow). */
int sepia_faintStatic(float staticNoise, float t);

/* Enables the variant for untextured geometry (scene 1's wall and floor):
 * the film look over dark plaster toned from the lit colour, with the
 * uniforms and values of the last sepia pass (its quiet form while that
 * pass's static was faint). Kept beside the table, so that textured quads
 * through the sepia program do not pay for plaster. */
void sepia_plaster(void);

#endif
