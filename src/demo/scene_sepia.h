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

/* The variants beside the table: for untextured geometry (plaster), and of
 * both for a picture whose static is at most faint (quiet). Loaded in the
 * second loading frame. */
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
 * the program itself, or while its static is faint (sepia_faintStatic) its
 * quiet variant. Used by the pass, and for textured quads drawn through the
 * sepia program after it (scene 4's overlay). Also hands the uniforms on to
 * the plaster variants. */
void sepia_shader(int shader);

/* 1 when static of this "staticNoiseAmmount" at scene time t is faint: none
 * at all, or at most 1% of the picture after the first second (scene 1's
 * steady 0.1 shows at half a percent); the quiet variants then draw its
 * average colour instead of its snow. */
int sepia_faintStatic(float staticNoise, float t);

/* Enables the variant for untextured geometry (scene 1's wall and floor):
 * the film look over dark plaster toned from the lit colour, with the
 * uniforms of the last sepia pass (its quiet form while that pass's static
 * was faint). Kept beside the table, so that textured quads through the
 * sepia program do not pay for plaster. */
void sepia_plaster(void);

#endif
