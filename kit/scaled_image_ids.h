/* Resource identifiers of the images drawn for the larger display scales: the image for 125, 150
   and 200 % has the identifier of its 100 % image plus one, two and three times this step. Plain
   C preprocessor, so that the resource script reads it too. */
#pragma once

#define SCALED_IMAGE_ID_STEP 100
