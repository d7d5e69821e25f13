; The batch side of the plug-in tests: each case builds a base picture, exports it as PNG,
; loads that PNG back, calls the procedure and exports the new layer.

(define (veltrix-save img drawable file)
  (file-png-save-defaults RUN-NONINTERACTIVE img drawable file file))

; A white page with a black ellipse; gray bases also get a clear band and a half-opaque band
; so that the base's alpha decides where lines go.
(define (veltrix-make-base file gray)
  (let* ((img (car (gimp-image-new 160 120 (if gray GRAY RGB))))
         (layer (car (gimp-layer-new img 160 120 (if gray GRAYA-IMAGE RGB-IMAGE) "base" 100
                                     LAYER-MODE-NORMAL))))
    (gimp-image-insert-layer img layer 0 0)
    (gimp-context-set-opacity 100)
    (gimp-context-set-foreground '(255 255 255))
    (gimp-drawable-fill layer FILL-FOREGROUND)
    (gimp-context-set-foreground '(0 0 0))
    (gimp-image-select-ellipse img CHANNEL-OP-REPLACE 30 20 100 80)
    (gimp-drawable-edit-fill layer FILL-FOREGROUND)
    (if gray
        (begin
          (gimp-image-select-rectangle img CHANNEL-OP-REPLACE 0 50 160 15)
          (gimp-drawable-edit-clear layer)
          (gimp-image-select-rectangle img CHANNEL-OP-REPLACE 0 75 160 15)
          (gimp-drawable-edit-clear layer)
          (gimp-context-set-opacity 50)
          (gimp-drawable-edit-fill layer FILL-FOREGROUND)
          (gimp-context-set-opacity 100)))
    (gimp-selection-none img)
    (veltrix-save img layer file)
    (gimp-image-delete img)))

(define (veltrix-load file)
  (car (gimp-file-load RUN-NONINTERACTIVE file file)))

(define (veltrix-draw img settings)
  (car (apply plug-in-veltrix-effect-lines
              (append (list RUN-NONINTERACTIVE img (car (gimp-image-get-active-layer img)))
                      settings))))

; Draws over a fresh base and exports the lines as out.png. With a selection, the base with
; everything outside it cleared goes to masked.png.
(define (veltrix-case dir gray color selection settings)
  (veltrix-make-base (string-append dir "/base.png") gray)
  (let* ((img (veltrix-load (string-append dir "/base.png")))
         (base (car (gimp-image-get-active-layer img))))
    (gimp-context-set-foreground color)
    (if selection (apply gimp-image-select-rectangle (cons img (cons CHANNEL-OP-REPLACE selection))))
    (veltrix-save img (veltrix-draw img settings) (string-append dir "/out.png"))
    (if selection
        (begin
          (gimp-selection-invert img)
          (gimp-layer-add-alpha base)
          (gimp-drawable-edit-clear base)
          (veltrix-save img base (string-append dir "/masked.png"))))))

; Each bad call must fail and leave the one layer alone; returns the layer count.
(define (veltrix-bad-calls dir good bad-lists)
  (veltrix-make-base (string-append dir "/base.png") #f)
  (let ((img (veltrix-load (string-append dir "/base.png"))))
    (for-each (lambda (settings)
                (if (catch #f (veltrix-draw img settings) #t)
                    (error "a bad call succeeded" settings)))
              bad-lists)
    (if (not (= 1 (car (gimp-image-get-layers img))))
        (error "a failed call added a layer"))
    (veltrix-save img (veltrix-draw img good) (string-append dir "/out.png"))))
